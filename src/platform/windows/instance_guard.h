#pragma once
// One running copy per computer: the named mutex "Global\\Nodrel", in the namespace all
// sessions share (other users' and remote desktops' included), held until the process ends.
#include <string>

#include "app/instance_guard.h"
#include "platform/windows/win32_api.h"

namespace nodrel::windows_platform {

class MutexGuard : public nodrel::InstanceGuard {
public:
    explicit MutexGuard(std::string name = "Global\\Nodrel")
        : MutexGuard(system_, std::move(name)) {}
    MutexGuard(Win32Api& api, std::string name) : api_(api), name_(std::move(name)) {}
    ~MutexGuard() override;
    MutexGuard(const MutexGuard&) = delete;
    MutexGuard& operator=(const MutexGuard&) = delete;

    bool AnotherInstance() override;

private:
    RealWin32Api system_;
    Win32Api& api_;
    std::string name_;
    HANDLE handle_ = nullptr;
};

}  // namespace nodrel::windows_platform
