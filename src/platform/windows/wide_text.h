#pragma once
// The core speaks UTF-8; the system's wide calls UTF-16. Converted at the boundary only.
#include <string>
#include <string_view>

namespace nodrel::windows_platform {

std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace nodrel::windows_platform
