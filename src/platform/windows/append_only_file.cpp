#include "platform/windows/append_only_file.h"

#include <windows.h>

namespace nodrel::windows_platform {

namespace {

// A byte far beyond any log's end, locked by the writer of the moment. A handle without
// write access to the data appends at the end on Windows, but not every implementation
// of the calls does that in one step; the lock makes the end and the write one step for
// every copy. The byte is never written, so readers are not held up.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
// Anyone who may read the log may hold the byte: the lock is tried, not waited for, so
// that such a holder delays a tick by this much at most and then fails the write.
constexpr ULONGLONG kLockPatienceMs = 2000;
constexpr DWORD kLockRetryMs = 10;

bool TakeLock(HANDLE handle, OVERLAPPED& at) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) return false;
        if (GetTickCount64() - start >= kLockPatienceMs) return false;
        Sleep(kLockRetryMs);
    }
}

bool AppendLocked(HANDLE handle, std::string_view bytes) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (!TakeLock(handle, at)) return false;
    DWORD written = 0;
    const bool wrote = WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                 nullptr) != FALSE;
    UnlockFileEx(handle, 0, 1, 0, &at);
    return wrote && written == bytes.size();
}

}  // namespace

bool AppendOnlyFile::Append(const std::filesystem::path& file, std::string_view bytes) {
    // Read access only for the lock, which a handle for appending alone may not take.
    HANDLE handle = CreateFileW(file.c_str(), FILE_READ_DATA | FILE_APPEND_DATA | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool appended = AppendLocked(handle, bytes);
    const bool closed = CloseHandle(handle) != FALSE;
    return appended && closed;
}

bool AppendOnlyFile::CreateNew(const std::filesystem::path& file) {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle != INVALID_HANDLE_VALUE && CloseHandle(handle) != FALSE;
}

}  // namespace nodrel::windows_platform
