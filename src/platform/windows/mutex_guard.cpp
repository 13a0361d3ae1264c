#include "platform/windows/mutex_guard.h"

#include <windows.h>

namespace nodrel::windows_platform {

MutexGuard::~MutexGuard() {
    if (handle_) CloseHandle(handle_);
}

bool MutexGuard::AnotherInstance() {
    if (handle_) return false;
    handle_ = CreateMutexA(nullptr, FALSE, name_.c_str());
    if (handle_ && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(handle_);
        handle_ = nullptr;
        return true;
    }
    // Any other failure counts as no other instance.
    return false;
}

}  // namespace nodrel::windows_platform
