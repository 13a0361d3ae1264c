#include "cpu/load_arithmetic.h"

#include <cfenv>
#include <cmath>

namespace nodrel {

namespace {

// A real number held as a count of ten-thousandths, rounded to nearest, ties to even.
std::int64_t ToFourDecimals(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value * 10000.0));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

}  // namespace

int LoadPercent(std::int64_t idle, std::int64_t elapsed, int processors) {
    if (processors < 1) processors = 1;
    // Two readings within the clock's resolution: the raw idle difference stands in for
    // the share, as no division can be made.
    const double rawShare = elapsed != 0 ? static_cast<double>(idle) / static_cast<double>(elapsed)
                                         : static_cast<double>(idle);
    const std::int64_t share = ToFourDecimals(rawShare);
    const std::int64_t hundredShare = share * 100;  // exact in the fixed-point type
    const double x = 100.0 - (static_cast<double>(hundredShare) / 10000.0) / processors + 0.5;
    return static_cast<int>(FloorDiv(ToFourDecimals(x), 10000));
}

}  // namespace nodrel
