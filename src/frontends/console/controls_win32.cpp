#include "frontends/console/controls_win32.h"

namespace nodrel::console {

namespace {
// Closing the console ends the process once the handler returns (after 5 s at the most):
// the handler waits a little less than that for the Exit path to finish.
constexpr DWORD kExitWaitMs = 4'500;

EventLoop* activeLoop = nullptr;
HANDLE activeFinished = nullptr;
}  // namespace

std::optional<Control> ConsoleControlFor(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_CLOSE_EVENT:
            return Control::Exit;
        case CTRL_BREAK_EVENT:
            return Control::Reset;
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            return Control::SessionEnd;
        default:
            return std::nullopt;
    }
}

std::optional<Control> ServiceControlFor(DWORD control) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
            return Control::Exit;
        case SERVICE_CONTROL_SHUTDOWN:
        case SERVICE_CONTROL_PRESHUTDOWN:
            return Control::SessionEnd;
        case SERVICE_CONTROL_PARAMCHANGE:
            return Control::Reload;
        case kServiceControlReset:
            return Control::Reset;
        case kServiceControlTest:
            return Control::Test;
        default:
            return std::nullopt;
    }
}

ConsoleControls::ConsoleControls(EventLoop& loop)
    : finished_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    activeLoop = &loop;
    activeFinished = finished_;
    SetConsoleCtrlHandler(Handler, TRUE);
}

ConsoleControls::~ConsoleControls() {
    SetConsoleCtrlHandler(Handler, FALSE);
    activeLoop = nullptr;
    activeFinished = nullptr;
    if (finished_) CloseHandle(finished_);
}

void ConsoleControls::Finished() {
    if (finished_) SetEvent(finished_);
}

BOOL WINAPI ConsoleControls::Handler(DWORD event) {
    const auto control = ConsoleControlFor(event);
    if (!control || activeLoop == nullptr) return FALSE;
    activeLoop->Post(*control);
    // A Reset leaves the program running; after the others the process may end at once.
    if (*control != Control::Reset && activeFinished) {
        WaitForSingleObject(activeFinished, kExitWaitMs);
    }
    return TRUE;
}

}  // namespace nodrel::console
