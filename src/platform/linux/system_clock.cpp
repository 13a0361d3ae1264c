#include "platform/linux/system_clock.h"

#include <time.h>

namespace nodrel::linux_platform {

std::tm SystemClock::LocalNow() {
    const time_t now = time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace nodrel::linux_platform
