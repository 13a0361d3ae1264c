#include "link/ip_check.h"

#include <array>

namespace nodrel {

namespace {

constexpr int kLowestField = 1;
constexpr int kHighestField = 255;

bool IsDigitOrDot(char c) {
    return c == '.' || (c >= '0' && c <= '9');
}

// A field of digits only; empty reads as 0, leading zeros are allowed. The two inner
// fields may be a written 0 (10.0.0.1, 127.0.0.1 are ordinary host addresses); the first
// and the last may not, and an empty field never passes.
bool FieldInRange(std::string_view field, bool inner) {
    int value = 0;
    for (char c : field) {
        value = value * 10 + (c - '0');
        if (value > kHighestField) return false;  // stops long before any overflow
    }
    if (inner && !field.empty()) return true;
    return value >= kLowestField;
}

}  // namespace

bool IsValidIP(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.') return false;
    for (char c : text) {
        if (!IsDigitOrDot(c)) return false;
    }
    std::array<std::size_t, 3> dots{};
    std::size_t from = 0;
    for (auto& dot : dots) {
        dot = text.find('.', from);
        if (dot == std::string_view::npos) return false;
        from = dot + 1;
    }
    if (text.find('.', from) != std::string_view::npos) return false;

    const std::array<std::string_view, 4> fields = {
        text.substr(0, dots[0]),
        text.substr(dots[0] + 1, dots[1] - dots[0] - 1),
        text.substr(dots[1] + 1, dots[2] - dots[1] - 1),
        text.substr(dots[2] + 1),
    };
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!FieldInRange(fields[i], i == 1 || i == 2)) return false;
    }
    return true;
}

}  // namespace nodrel
