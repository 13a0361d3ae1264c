#pragma once
// The administrator check on Windows: whether a group of the process token has the
// account name of the built-in Administrators group (S-1-5-32-544).
#include "platform/windows/win32_api.h"

namespace nodrel::windows_platform {

// False on every failure along the way.
bool IsAdmin(Win32Api& api);

}  // namespace nodrel::windows_platform
