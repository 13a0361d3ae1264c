#include "platform/linux/process_priority.h"

#include <sys/resource.h>

namespace nodrel::linux_platform {

void NicePriority::Raise() {
    // Best effort: an ordinary user may not lower the nice value; the result is ignored.
    (void)setpriority(PRIO_PROCESS, 0, -10);
}

}  // namespace nodrel::linux_platform
