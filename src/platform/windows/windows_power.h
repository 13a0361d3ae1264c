#pragma once
// Power actions through ExitWindowsEx and SetSuspendState, after the process has enabled
// its shutdown privilege.
#include <string>

#include "platform/windows/win32_api.h"
#include "shutdown/power_actions.h"

namespace nodrel::windows_platform {

// The system's message text for an error code, line end included; empty when it has none.
std::string SystemErrorText(Win32Api& api, DWORD code);

class WindowsPower : public nodrel::PowerBackend {
public:
    // `programName` names the executable in the errors this class raises itself.
    WindowsPower(Win32Api& api, std::string programName)
        : api_(api), source_(std::move(programName) + ".mShutDown") {}

    nodrel::PowerOutcome Perform(nodrel::PowerCall call) override;

    // Enables SeShutdownPrivilege for this process. An unknown privilege or no process
    // handle raises its own error; a token that cannot be opened or adjusted answers
    // NotAuthorised with the system's text.
    nodrel::PowerOutcome EnableShutdownPrivilege();

private:
    [[noreturn]] void Raise(std::uint32_t number, const std::string& reason, DWORD code);
    nodrel::PowerOutcome Refusal(nodrel::PowerOutcome::Kind kind);

    Win32Api& api_;
    std::string source_;
};

}  // namespace nodrel::windows_platform
