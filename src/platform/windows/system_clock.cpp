#include "platform/windows/system_clock.h"

#include <ctime>

namespace nodrel::windows_platform {

std::tm WindowsClock::LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    return local;
}

}  // namespace nodrel::windows_platform
