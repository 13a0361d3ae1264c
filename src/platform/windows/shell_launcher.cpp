#include "platform/windows/shell_launcher.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/windows/wide_text.h"

namespace nodrel::windows_platform {

bool ShellLauncher::OpenUrl(const std::string& address) {
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Above 32 is success.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool ShellLauncher::OpenFile(const std::string& path) {
    // Quoted, so that a folder with a blank stays one argument; a path never holds quotes.
    std::wstring commandLine = L"\"" + viewer + L"\" \"" + Wide(path) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

std::string ShellLauncher::ViewerProgram() const {
    return "The program notepad.exe";
}

}  // namespace nodrel::windows_platform
