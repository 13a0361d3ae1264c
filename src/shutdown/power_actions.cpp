#include "shutdown/power_actions.h"

#include <cstdio>
#include <optional>

namespace nodrel {

namespace {
constexpr std::uint32_t kErrNotPrivileged = 0x8004062E;
constexpr std::uint32_t kErrShutdownFailed = 0x8004062B;
constexpr std::uint32_t kErrInvalidParameter = 0x8004062F;

std::optional<PowerCall> CallForFlags(int flags) {
    if (flags & ewx::kPowerOff) return PowerCall::PowerOff;
    if (flags & ewx::kReboot) return PowerCall::Reboot;
    if (flags & ewx::kShutdown) return PowerCall::Halt;
    return std::nullopt;  // logging off: nothing this program asks for
}
}  // namespace

Message PowerErrorMessage(const PowerError& error) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(error.number));
    return {box::kCritical, " Error",
            JoinLines({std::string("Error Number: ") + number, "Source: " + error.source,
                       std::string("Error description: ") + error.what(),
                       "The program will now terminate."})};
}

void PowerActions::Raise(std::uint32_t number, const std::string& description) const {
    throw PowerError(number, source_, description);
}

void PowerActions::RaiseIfRefused(const PowerOutcome& outcome) const {
    if (outcome.kind == PowerOutcome::Kind::NotAuthorised) {
        Raise(kErrNotPrivileged,
              "Can't enable shutdown: You do not have the privileges to shutdown this system. [" +
                  outcome.message + "]");
    }
    if (outcome.kind == PowerOutcome::Kind::Refused) {
        Raise(kErrShutdownFailed, "ShutdownSystem failed: " + outcome.message);
    }
}

bool PowerActions::ShutdownSystem(int flags) {
    if (flags < 0 || flags > 31) {
        Raise(kErrInvalidParameter,
              "Invalid parameter to ShutdownSystem: " + std::to_string(flags));
    }
    const auto call = CallForFlags(flags);
    if (!call) Raise(kErrShutdownFailed, "ShutdownSystem failed: no power action requested");
    return Act(*call);
}

bool PowerActions::Act(PowerCall call) {
    // A refused suspend raises like a refused shutdown: carrying on as after a resume would
    // only count down to the same refusal again, for ever.
    const PowerOutcome outcome = backend_.Perform(call);
    RaiseIfRefused(outcome);
    return outcome.kind != PowerOutcome::Kind::Stopped;
}

bool PowerActions::HibernateSystem() {
    return Act(PowerCall::Hibernate);
}
bool PowerActions::StandbySystem() {
    return Act(PowerCall::Suspend);
}

}  // namespace nodrel
