#pragma once
#include <string_view>

namespace nodrel {

// True for a dotted quad of four fields of digits, each at most 255 (leading zeros allowed);
// the first and last at least 1, the two inner ones may be 0.
bool IsValidIP(std::string_view text);

}  // namespace nodrel
