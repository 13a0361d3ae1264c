#include "link/ip_check.h"

namespace nodrel {

namespace {

constexpr int kLowestField = 1;
constexpr int kHighestField = 255;

// A field of digits only; empty reads as 0, leading zeros are allowed. The two inner
// fields may be a written 0 (10.0.0.1, 127.0.0.1 are ordinary host addresses); the first
// and the last may not, and an empty field never passes.
bool FieldInRange(std::string_view field, bool inner) {
    int value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > kHighestField) return false;  // stops long before any overflow
    }
    if (inner && !field.empty()) return true;
    return value >= kLowestField;
}

}  // namespace

bool IsValidIP(std::string_view text) {
    for (int i = 0; i < 4; ++i) {
        const bool last = i == 3;
        const std::size_t dot = text.find('.');
        if (last != (dot == std::string_view::npos)) return false;  // exactly three dots
        if (!FieldInRange(text.substr(0, dot), i == 1 || i == 2)) return false;
        text.remove_prefix(last ? text.size() : dot + 1);
    }
    return true;
}

}  // namespace nodrel
