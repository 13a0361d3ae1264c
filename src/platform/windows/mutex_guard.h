#pragma once
// One running copy per computer: the named mutex "Nodrel", held until the process ends.
#include <string>

#include "app/instance_guard.h"

namespace nodrel::windows_platform {

class MutexGuard : public nodrel::InstanceGuard {
public:
    explicit MutexGuard(std::string name = "Nodrel") : name_(std::move(name)) {}
    ~MutexGuard() override;
    MutexGuard(const MutexGuard&) = delete;
    MutexGuard& operator=(const MutexGuard&) = delete;

    bool AnotherInstance() override;

private:
    std::string name_;
    void* handle_ = nullptr;
};

}  // namespace nodrel::windows_platform
