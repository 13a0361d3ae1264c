#include "platform/windows/process_priority.h"

#include <windows.h>

namespace nodrel::windows_platform {

void WindowsPriority::Raise() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
}

}  // namespace nodrel::windows_platform
