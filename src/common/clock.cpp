#include "common/clock.h"

namespace nodrel {

std::string FormatStamp(const std::tm& when) {
    char buffer[64];
    const auto n = std::strftime(buffer, sizeof buffer, "%d-%b-%y %H:%M:%S", &when);
    return std::string(buffer, n);
}

}  // namespace nodrel
