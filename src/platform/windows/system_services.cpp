#include "platform/windows/system_services.h"

#include <windows.h>
#include <shellapi.h>

#include <ctime>

namespace nodrel::windows_platform {

void WindowsPriority::Raise() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
}

std::tm WindowsClock::LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    return local;
}

bool ShellLauncher::OpenUrl(const std::string& address) {
    const HINSTANCE result = ShellExecuteA(nullptr, "Open", address.c_str(), "", "", SW_SHOWNORMAL);
    // Above 32 is success.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool ShellLauncher::OpenFile(const std::string& path) {
    std::string commandLine = "notepad.exe " + path;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

}  // namespace nodrel::windows_platform
