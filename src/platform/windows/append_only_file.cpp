#include "platform/windows/append_only_file.h"

#include <windows.h>

namespace nodrel::windows_platform {

bool AppendOnlyFile::Append(const std::filesystem::path& file, std::string_view bytes) {
    HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool wrote = WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                 nullptr) != FALSE;
    const bool closed = CloseHandle(handle) != FALSE;
    return wrote && closed && written == bytes.size();
}

}  // namespace nodrel::windows_platform
