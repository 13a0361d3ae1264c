#pragma once
// Power actions of the service: in session 0 there is no interactive session for
// ExitWindowsEx to end, so power off, reboot and halt go through InitiateShutdownW, forcing
// the other programs and this one to close, with a planned reason. Hibernate and standby
// are the console's.
#include <reason.h>

#include "platform/windows/windows_power.h"

namespace nodrel::windows_platform {

// The flags InitiateShutdownW takes for a power call (not for Hibernate and Suspend).
DWORD InitiateShutdownFlags(nodrel::PowerCall call);
// "Other (Planned)": the service acts on a condition it was set up to watch for.
inline constexpr DWORD kPlannedShutdownReason =
    SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED;

class ServicePower : public nodrel::PowerBackend {
public:
    ServicePower(Win32Api& api, std::string programName)
        : api_(api), console_(api, std::move(programName)) {}

    nodrel::PowerOutcome Perform(nodrel::PowerCall call) override;

private:
    Win32Api& api_;
    WindowsPower console_;
};

}  // namespace nodrel::windows_platform
