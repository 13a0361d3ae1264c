#pragma once
// What the console's control events and the service control manager's controls ask of
// nodreld.exe.
#include <windows.h>

#include <optional>

#include "frontends/console/event_loop.h"

namespace nodrel::console {

// User-defined service controls (128 to 255): Reset and Test, as SIGUSR1 and SIGUSR2.
inline constexpr DWORD kServiceControlReset = 128;
inline constexpr DWORD kServiceControlTest = 129;

// Ctrl+C and closing the console: Exit; Ctrl+Break: Reset; log-off and shutdown: the end of
// the session. Nothing for any other event.
std::optional<Control> ConsoleControlFor(DWORD event);

// STOP: Exit; SHUTDOWN and PRESHUTDOWN: the end of the session; PARAMCHANGE: reload;
// 128: Reset; 129: Test. Nothing for any other control.
std::optional<Control> ServiceControlFor(DWORD control);

// The console's control events, handed to the loop while it lives.
class ConsoleControls {
public:
    explicit ConsoleControls(EventLoop& loop);
    ~ConsoleControls();
    ConsoleControls(const ConsoleControls&) = delete;
    ConsoleControls& operator=(const ConsoleControls&) = delete;

    // The loop has ended: a handler waiting for it may return.
    void Finished();

private:
    static BOOL WINAPI Handler(DWORD event);
    HANDLE finished_;
};

}  // namespace nodrel::console
