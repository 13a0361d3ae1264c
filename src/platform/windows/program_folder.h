#pragma once
// The Windows programs find Data\Nodrel4.ini and the log beside their executable, wherever
// they were started from (a command prompt elsewhere, a Run key, a task, a service).
#include <string>

namespace nodrel::windows_platform {

// The running executable's full path; empty when the system does not say.
std::wstring ExecutablePath();

// Makes the folder of the running executable the current folder; false when it cannot.
bool EnterProgramFolder();

}  // namespace nodrel::windows_platform
