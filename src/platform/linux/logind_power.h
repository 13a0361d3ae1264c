#pragma once
// Power actions through systemd-logind on the system bus, and nowhere else.
#include <chrono>
#include <functional>

#include "shutdown/power_actions.h"

struct sd_bus;
struct sd_bus_message;

namespace nodrel::linux_platform {

class LogindPower : public nodrel::PowerBackend {
public:
    // How long a hibernate or suspend may take before the program stops waiting for the
    // resume signal and carries on as if it had come.
    explicit LogindPower(std::chrono::seconds resumeBound = std::chrono::hours(24))
        : resumeBound_(resumeBound) {}

    nodrel::PowerOutcome Perform(nodrel::PowerCall call) override;

    // Asked at least twice a second while a hibernate or suspend waits for the resume
    // signal: true ends the wait (the outcome is Stopped). The front end may do its own
    // housekeeping here, since nothing else runs on its thread meanwhile.
    std::function<bool()> stopRequested;

private:
    std::chrono::seconds resumeBound_;
};

// The logind method for a call: "PowerOff", "Reboot", "Halt", "Hibernate", "Suspend".
const char* LogindMethod(nodrel::PowerCall call);

// The method call as it goes on the bus: the method with interactive = false.
int NewLogindCall(sd_bus* bus, nodrel::PowerCall call, sd_bus_message** message);

}  // namespace nodrel::linux_platform
