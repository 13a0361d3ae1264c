#include "platform/windows/service_power.h"

namespace nodrel::windows_platform {

DWORD InitiateShutdownFlags(nodrel::PowerCall call) {
    constexpr DWORD Force = SHUTDOWN_FORCE_OTHERS | SHUTDOWN_FORCE_SELF;
    switch (call) {
        case nodrel::PowerCall::PowerOff:
            return Force | SHUTDOWN_POWEROFF;
        case nodrel::PowerCall::Reboot:
            return Force | SHUTDOWN_RESTART;
        default:
            return Force;  // shut down and stay on
    }
}

nodrel::PowerOutcome ServicePower::Perform(nodrel::PowerCall call) {
    if (call == nodrel::PowerCall::Hibernate || call == nodrel::PowerCall::Suspend) {
        return console_.Perform(call);
    }
    const nodrel::PowerOutcome privilege = console_.EnableShutdownPrivilege();
    if (privilege.kind != nodrel::PowerOutcome::Kind::Done) return privilege;
    const DWORD error = api_.InitiateShutdown(InitiateShutdownFlags(call), PlannedShutdownReason);
    if (error != ERROR_SUCCESS) {
        return {nodrel::PowerOutcome::Kind::Refused, SystemErrorText(api_, error)};
    }
    return {};
}

}  // namespace nodrel::windows_platform
