#pragma once
// One running copy per computer: an abstract Unix socket named "Nodrel", which the
// kernel releases when the process ends, however it ends.
#include <string>

#include "app/instance_guard.h"

namespace nodrel::linux_platform {

class AbstractSocketGuard : public nodrel::InstanceGuard {
public:
    explicit AbstractSocketGuard(std::string name = "Nodrel") : name_(std::move(name)) {}
    ~AbstractSocketGuard() override;
    bool AnotherInstance() override;

private:
    std::string name_;
    int fd_ = -1;
};

}  // namespace nodrel::linux_platform
