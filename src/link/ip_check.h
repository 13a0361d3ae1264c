#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace nodrel {

using Ipv4Address = std::array<std::uint8_t, 4>;

// The four bytes of a dotted quad: four fields of decimal digits (leading zeros allowed,
// "010" is ten), each at most 255. Anything else, such as an empty field, gives nothing.
std::optional<Ipv4Address> ParseDottedQuad(std::string_view text);

// True for a dotted quad whose first and last fields are at least 1; the two inner ones
// may be 0.
bool IsValidIP(std::string_view text);

// True for a dotted quad with every field at least 1: what a host name may not be. Texts
// such as 10.0.0.1 therefore pass as host names, as they always have.
bool IsDottedQuadWithoutZeros(std::string_view text);

}  // namespace nodrel
