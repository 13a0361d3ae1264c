#pragma once
#include "app/process_priority.h"

namespace nodrel::linux_platform {

// A lower nice value for the whole process; refused without privilege, which is fine.
class NicePriority : public nodrel::ProcessPriority {
public:
    void Raise() override;
};

}  // namespace nodrel::linux_platform
