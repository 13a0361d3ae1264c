#include "platform/windows/instance_guard.h"

#include "platform/windows/wide_text.h"

namespace nodrel::windows_platform {

MutexGuard::~MutexGuard() {
    if (handle_) api_.CloseHandle(handle_);
}

bool MutexGuard::AnotherInstance() {
    if (handle_) return false;
    // Synchronisation is all a copy asks for, so any copy may open another's mutex
    // whenever its security allows that much.
    handle_ = api_.CreateMutexEx(Wide(name_).c_str(), SYNCHRONIZE);
    const DWORD error = api_.GetLastError();
    if (handle_ && error == ERROR_ALREADY_EXISTS) {
        api_.CloseHandle(handle_);
        handle_ = nullptr;
        return true;
    }
    // A mutex that exists but may not be opened (one made by an elevated copy) is another
    // copy too; any other failure counts as none.
    return handle_ == nullptr && error == ERROR_ACCESS_DENIED;
}

}  // namespace nodrel::windows_platform
