#include "platform/windows/config_file_store.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace nodrel::windows_platform {

namespace {

namespace fs = std::filesystem;

class WindowsTemporary : public TemporaryConfigFile {
public:
    WindowsTemporary(HANDLE handle, fs::path file, fs::path target)
        : handle_(handle), file_(std::move(file)), target_(std::move(target)) {}
    WindowsTemporary(const WindowsTemporary&) = delete;
    WindowsTemporary& operator=(const WindowsTemporary&) = delete;
    ~WindowsTemporary() override {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        if (!replaced_) DeleteFileW(file_.c_str());
    }

    bool Write(std::string_view text) override {
        while (!text.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
            DWORD written = 0;
            if (!WriteFile(handle_, text.data(), chunk, &written, nullptr) || written == 0) {
                return false;
            }
            text.remove_prefix(written);
        }
        return FlushFileBuffers(handle_) != FALSE;
    }

    bool Replace() override {
        if (!CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE))) return false;
        replaced_ = MoveFileExW(file_.c_str(), target_.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        return replaced_;
    }

private:
    HANDLE handle_;
    fs::path file_, target_;
    bool replaced_ = false;
};

}  // namespace

bool SystemConfigFileStore::MayWrite(const fs::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

std::unique_ptr<TemporaryConfigFile> SystemConfigFileStore::CreateTemporary(
    const fs::path& target) {
    for (int tries = 0; tries < kTemporaryNameTries; ++tries) {
        fs::path name = TemporaryNameFor(target);
        const HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) continue;
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<WindowsTemporary>(handle, std::move(name), target);
    }
    return nullptr;
}

}  // namespace nodrel::windows_platform
