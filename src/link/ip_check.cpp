#include "link/ip_check.h"

#include <algorithm>

namespace nodrel {

namespace {

constexpr int kHighestField = 255;

// A field of one or more digits, read in decimal; nothing when it is empty or above 255.
std::optional<std::uint8_t> ReadField(std::string_view field) {
    if (field.empty()) return std::nullopt;
    int value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > kHighestField) return std::nullopt;  // stops long before any overflow
    }
    return static_cast<std::uint8_t>(value);
}

}  // namespace

std::optional<Ipv4Address> ParseDottedQuad(std::string_view text) {
    Ipv4Address address{};
    for (std::size_t i = 0; i < address.size(); ++i) {
        const bool last = i + 1 == address.size();
        const std::size_t dot = text.find('.');
        if (last != (dot == std::string_view::npos)) return std::nullopt;  // exactly three dots
        const auto field = ReadField(text.substr(0, dot));
        if (!field) return std::nullopt;
        address[i] = *field;
        text.remove_prefix(last ? text.size() : dot + 1);
    }
    return address;
}

bool IsValidIP(std::string_view text) {
    // 10.0.0.1 and 127.0.0.1 are ordinary host addresses; x.y.z.0 and 0.x.y.z are not.
    const auto address = ParseDottedQuad(text);
    return address && address->front() != 0 && address->back() != 0;
}

bool IsDottedQuadWithoutZeros(std::string_view text) {
    const auto address = ParseDottedQuad(text);
    return address && std::ranges::none_of(*address, [](std::uint8_t b) { return b == 0; });
}

}  // namespace nodrel
