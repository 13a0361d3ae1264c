#include "platform/windows/program_folder.h"

#include <windows.h>

#include <filesystem>
#include <string>

namespace nodrel::windows_platform {

// Read into a buffer grown until the path fits.
std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

bool EnterProgramFolder() {
    const std::wstring path = ExecutablePath();
    if (path.empty()) return false;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return SetCurrentDirectoryW(folder.c_str()) != FALSE;
}

}  // namespace nodrel::windows_platform
