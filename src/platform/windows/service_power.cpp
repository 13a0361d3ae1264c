#include "platform/windows/service_power.h"

namespace nodrel::windows_platform {

DWORD InitiateShutdownFlags(nodrel::PowerCall call) {
    constexpr DWORD kForce = SHUTDOWN_FORCE_OTHERS | SHUTDOWN_FORCE_SELF;
    switch (call) {
        case nodrel::PowerCall::PowerOff:
            return kForce | SHUTDOWN_POWEROFF;
        case nodrel::PowerCall::Reboot:
            return kForce | SHUTDOWN_RESTART;
        default:
            return kForce;  // shut down and stay on
    }
}

nodrel::PowerOutcome ServicePower::Perform(nodrel::PowerCall call) {
    if (call == nodrel::PowerCall::Hibernate || call == nodrel::PowerCall::Suspend) {
        return console_.Perform(call);
    }
    const nodrel::PowerOutcome privilege = console_.EnableShutdownPrivilege();
    if (privilege.kind != nodrel::PowerOutcome::Kind::Done) return privilege;
    const DWORD error = api_.InitiateShutdown(InitiateShutdownFlags(call), kPlannedShutdownReason);
    if (error != ERROR_SUCCESS) {
        return {nodrel::PowerOutcome::Kind::Refused, SystemErrorText(api_, error)};
    }
    return {};
}

}  // namespace nodrel::windows_platform
