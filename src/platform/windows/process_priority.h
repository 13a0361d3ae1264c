#pragma once
#include "app/process_priority.h"

namespace nodrel::windows_platform {

// The high priority class for the process, the highest priority for the calling thread;
// refusals are ignored.
class WindowsPriority : public nodrel::ProcessPriority {
public:
    void Raise() override;
};

}  // namespace nodrel::windows_platform
