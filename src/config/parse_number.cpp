#include "config/parse_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace nodrel {

namespace {

bool IsIgnoredInNumber(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text without blanks, tabs and line feeds, cut after the longest leading number:
// [sign] digits ['.' digits] [E [sign] digits]. An exponent without digits is not part of it.
std::string LeadingNumberText(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (!IsIgnoredInNumber(c)) compact += c;
    }

    std::size_t pos = 0;
    auto digitsFrom = [&compact](std::size_t at) {
        std::size_t end = at;
        while (end < compact.size() && IsDigit(compact[end])) ++end;
        return end;
    };

    if (pos < compact.size() && (compact[pos] == '+' || compact[pos] == '-')) ++pos;
    const std::size_t mantissaStart = pos;
    pos = digitsFrom(pos);
    bool hasDigits = pos > mantissaStart;
    if (pos < compact.size() && compact[pos] == '.') {
        const std::size_t fractionEnd = digitsFrom(pos + 1);
        hasDigits = hasDigits || fractionEnd > pos + 1;
        pos = fractionEnd;
    }
    if (!hasDigits) return {};

    if (pos < compact.size() && (compact[pos] == 'E' || compact[pos] == 'e')) {
        std::size_t exponentPos = pos + 1;
        if (exponentPos < compact.size() &&
            (compact[exponentPos] == '+' || compact[exponentPos] == '-')) {
            ++exponentPos;
        }
        const std::size_t exponentEnd = digitsFrom(exponentPos);
        if (exponentEnd > exponentPos) pos = exponentEnd;
    }
    compact.resize(pos);
    return compact;
}

// For an unsigned number text as LeadingNumberText leaves it: whether its value is below 1,
// worked out from the digits alone so that it holds where a double cannot.
bool IsBelowOne(std::string_view number) {
    const std::size_t exponentAt = number.find_first_of("Ee");
    const std::string_view mantissa = number.substr(0, exponentAt);
    long long exponent = 0;
    if (exponentAt != std::string_view::npos) {
        std::size_t pos = exponentAt + 1;
        const bool negative = number[pos] == '-';
        if (number[pos] == '+' || number[pos] == '-') ++pos;
        constexpr long long saturation = 1'000'000'000;
        for (; pos < number.size(); ++pos) {
            exponent = std::min(saturation, exponent * 10 + (number[pos] - '0'));
        }
        if (negative) exponent = -exponent;
    }
    // The power of ten of the first non-zero digit, before the exponent is applied.
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t firstNonZero = mantissa.find_first_of("123456789");
    if (firstNonZero == std::string_view::npos) return true;
    const long long leadingPower = firstNonZero < point
                                       ? static_cast<long long>(point - firstNonZero) - 1
                                       : -static_cast<long long>(firstNonZero - point);
    return leadingPower + exponent < 0;
}

template <typename Int>
bool RoundToInteger(double value, Int& out) {
    if (!std::isfinite(value)) return false;
    const double below = std::floor(value);
    const double fraction = value - below;  // exact for every finite double
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)) rounded += 1.0;
    constexpr double lowest = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double highest = static_cast<double>(std::numeric_limits<Int>::max());
    if (rounded < lowest || rounded > highest) return false;
    out = static_cast<Int>(rounded);
    return true;
}

}  // namespace

double ParseLeadingNumber(std::string_view text) {
    const std::string number = LeadingNumberText(text);
    if (number.empty()) return 0.0;
    // from_chars always reads '.' as the decimal point, whatever the locale. It takes no
    // leading sign other than '-', so the sign is handled here.
    const char* first = number.data();
    const char* last = first + number.size();
    const bool negative = *first == '-';
    if (*first == '+' || *first == '-') ++first;
    double magnitude = 0.0;
    const auto result = std::from_chars(first, last, magnitude, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Beyond the range of a double: a huge value becomes infinity, a tiny one zero.
        magnitude = IsBelowOne(std::string_view(first, static_cast<std::size_t>(last - first)))
                        ? 0.0
                        : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -magnitude : magnitude;
}

bool RoundToInt16(double value, std::int16_t& out) {
    return RoundToInteger(value, out);
}

bool RoundToInt32(double value, std::int32_t& out) {
    return RoundToInteger(value, out);
}

std::string FormatNumber(double value) {
    if (!std::isfinite(value) || value == 0.0) return "0";  // also turns -0 into 0
    // Wide enough for the plain form of any double: 309 integer digits, or 0. and
    // 323 zeros before the last digit of the smallest one.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc()) return "0";
    return std::string(buffer, result.ptr);
}

}  // namespace nodrel
