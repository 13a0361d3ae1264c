#include "platform/windows/windows_power.h"

#include <array>

namespace nodrel::windows_platform {

namespace {
constexpr std::uint32_t kErrNoPrivilegeValue = 0x8004062C;
constexpr std::uint32_t kErrNoProcess = 0x8004062D;
constexpr DWORD kNoShutdownReason = 0xFFFFFFFF;
constexpr DWORD kMessageRoom = 255;

UINT FlagsFor(nodrel::PowerCall call) {
    switch (call) {
        case nodrel::PowerCall::PowerOff:
            return EWX_POWEROFF | EWX_FORCE;
        case nodrel::PowerCall::Reboot:
            return EWX_REBOOT | EWX_FORCE;
        default:
            return EWX_SHUTDOWN | EWX_FORCE;
    }
}
}  // namespace

std::string SystemErrorText(Win32Api& api, DWORD code) {
    std::array<char, kMessageRoom> buffer;
    buffer.fill(' ');
    const DWORD written = api.FormatSystemMessage(code, buffer.data(), kMessageRoom);
    return std::string(buffer.data(), written <= kMessageRoom ? written : 0);
}

void WindowsPower::Raise(std::uint32_t number, const std::string& reason, DWORD code) {
    throw nodrel::PowerError(
        number, source_,
        "Can't enable shutdown: " + reason + " [" + SystemErrorText(api_, code) + "]");
}

nodrel::PowerOutcome WindowsPower::Refusal(nodrel::PowerOutcome::Kind kind) {
    return {kind, SystemErrorText(api_, api_.GetLastError())};
}

nodrel::PowerOutcome WindowsPower::EnableShutdownPrivilege() {
    TOKEN_PRIVILEGES privileges{};
    if (!api_.LookupPrivilegeValueOf("SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        Raise(kErrNoPrivilegeValue, "Can't find the SE_SHUTDOWN_NAME privilege value.",
              api_.GetLastError());
    }
    const HANDLE process = api_.GetCurrentProcess();
    if (process == nullptr) {
        Raise(kErrNoProcess, "Can't determine the current process.", api_.GetLastError());
    }
    HANDLE token = nullptr;
    if (!api_.OpenProcessToken(process, TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return Refusal(nodrel::PowerOutcome::Kind::NotAuthorised);
    }
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous{};
    DWORD returned = 0;
    const BOOL adjusted =
        api_.AdjustTokenPrivileges(token, &privileges, sizeof previous, &previous, &returned);
    // The error belongs to the adjustment, not to closing the token.
    const DWORD error = adjusted ? 0 : api_.GetLastError();
    api_.CloseHandle(token);
    if (!adjusted) return {nodrel::PowerOutcome::Kind::NotAuthorised, SystemErrorText(api_, error)};
    return {};
}

nodrel::PowerOutcome WindowsPower::Perform(nodrel::PowerCall call) {
    const nodrel::PowerOutcome privilege = EnableShutdownPrivilege();
    if (privilege.kind != nodrel::PowerOutcome::Kind::Done) return privilege;
    if (call == nodrel::PowerCall::Hibernate || call == nodrel::PowerCall::Suspend) {
        // Returns after the resume. A refusal is reported: carrying on as if the machine
        // had slept would leave it running unwatched.
        const BOOLEAN hibernate = call == nodrel::PowerCall::Hibernate;
        if (!api_.SetSuspendState(hibernate, TRUE, FALSE)) {
            return Refusal(nodrel::PowerOutcome::Kind::Refused);
        }
        return {};
    }
    if (!api_.ExitWindowsEx(FlagsFor(call), kNoShutdownReason)) {
        return Refusal(nodrel::PowerOutcome::Kind::Refused);
    }
    return {};
}

}  // namespace nodrel::windows_platform
