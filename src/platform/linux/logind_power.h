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
    // How long logind may take to answer a call before it counts as a refusal.
    static constexpr std::chrono::milliseconds kDefaultAnswerBound = std::chrono::seconds(25);

    // `resumeBound`: how long a hibernate or suspend may take before the program stops
    // waiting for the resume signal and carries on as if it had come.
    explicit LogindPower(std::chrono::seconds resumeBound = std::chrono::hours(24),
                         std::chrono::milliseconds answerBound = kDefaultAnswerBound)
        : resumeBound_(resumeBound), answerBound_(answerBound) {}

    nodrel::PowerOutcome Perform(nodrel::PowerCall call) override;

    // Asked at least twice a second while a call waits for logind's answer, and while a
    // hibernate or suspend waits for the resume signal: true ends the wait (the outcome is
    // Stopped; a call already sent may still be carried out). The front end may do its own
    // housekeeping here, since nothing else runs on its thread meanwhile.
    std::function<bool()> stopRequested;

private:
    std::chrono::seconds resumeBound_;
    std::chrono::milliseconds answerBound_;
};

// The logind method for a call: "PowerOff", "Reboot", "Halt", "Hibernate", "Suspend".
const char* LogindMethod(nodrel::PowerCall call);

// The method call as it goes on the bus: the method with interactive = false.
int NewLogindCall(sd_bus* bus, nodrel::PowerCall call, sd_bus_message** message);

}  // namespace nodrel::linux_platform
