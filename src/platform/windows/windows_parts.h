#pragma once
// The machine as the Windows front ends hand it to the core: processor counters, clock,
// priority, power actions and the link socket.
#include "app/nodrel.h"
#include "platform/windows/nt_counters.h"
#include "platform/windows/system_services.h"
#include "platform/windows/win32_api.h"
#include "platform/windows/windows_power.h"
#include "platform/windows/winsock_link.h"

namespace nodrel::windows_platform {

struct WindowsParts {
    explicit WindowsParts(const std::string& programName) : power(api, programName) {}

    RealWin32Api api;
    NtCounters counters;
    WindowsClock clock;
    WindowsPriority priority;
    WindowsPower power;
    WinsockLink link;

    // The core's outside world: these parts with the front end's effects and launcher.
    Outside For(Effects& effects, const std::string& programName, Launcher* launcher = nullptr) {
        return {effects, counters, clock, priority, &power, &link, programName, launcher};
    }
};

}  // namespace nodrel::windows_platform
