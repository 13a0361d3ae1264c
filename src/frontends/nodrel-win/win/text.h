#pragma once
// The core speaks UTF-8; the window system UTF-16. Converted at the boundary only.
#include <string>
#include <string_view>

namespace nodrel::win {

std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace nodrel::win
