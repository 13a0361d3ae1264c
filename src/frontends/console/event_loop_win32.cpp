#include "frontends/nodreld-win/console_loop.h"

#include "app/effects.h"

namespace nodrel::console {

namespace {
constexpr LONGLONG PeriodIn100ns = RefreshPeriodMs * 10'000LL;
// Closing the console ends the process once the handler returns (after 5 s at the most):
// the handler waits a little less than that for the Exit path to finish.
constexpr DWORD ExitWaitMs = 4'500;

ConsoleLoop* active = nullptr;
}  // namespace

ConsoleLoop::ConsoleLoop()
    : timer_(CreateWaitableTimerW(nullptr, FALSE, nullptr)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      stopped_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    active = this;
    SetConsoleCtrlHandler(ControlHandler, TRUE);
}

ConsoleLoop::~ConsoleLoop() {
    SetConsoleCtrlHandler(ControlHandler, FALSE);
    active = nullptr;
    for (HANDLE handle : {timer_, stop_, stopped_}) {
        if (handle) CloseHandle(handle);
    }
}

BOOL WINAPI ConsoleLoop::ControlHandler(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    if (active == nullptr) return FALSE;
    SetEvent(active->stop_);
    WaitForSingleObject(active->stopped_, ExitWaitMs);
    return TRUE;
}

void ConsoleLoop::SetTimer(bool enabled) {
    // A periodic timer keeps its grid; a late tick is handled late and missed ones are
    // not made up.
    if (!enabled) {
        CancelWaitableTimer(timer_);
        return;
    }
    LARGE_INTEGER due;
    due.QuadPart = -PeriodIn100ns;  // relative
    SetWaitableTimer(timer_, &due, RefreshPeriodMs, nullptr, nullptr, FALSE);
}

void ConsoleLoop::Run(const std::function<bool()>& done) {
    while (!done()) {
        // In order of precedence: a datagram flood must not hold up the tick or the exit.
        const HANDLE waits[] = {stop_, timer_, linkEvent};
        const DWORD count = linkEvent ? 3 : 2;
        const DWORD woken = WaitForMultipleObjects(count, waits, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0) {
            ResetEvent(stop_);
            if (onExit) onExit();
        } else if (woken == WAIT_OBJECT_0 + 1) {
            if (onTick) onTick();
        } else if (woken == WAIT_OBJECT_0 + 2) {
            if (onLinkReadable) onLinkReadable();
        } else {
            break;
        }
    }
    SetEvent(stopped_);
}

}  // namespace nodrel::console
