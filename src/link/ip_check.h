#pragma once
#include <string_view>

namespace nodrel {

// True for a dotted quad whose four fields each lie in 1..255 (leading zeros allowed).
bool IsValidIP(std::string_view text);

}  // namespace nodrel
