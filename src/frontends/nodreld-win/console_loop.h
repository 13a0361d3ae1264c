#pragma once
// One thread waiting on the periodic refresh timer, the link socket's event and the console's
// control events (Ctrl+C, Ctrl+Break, closing the console).
#include <windows.h>

#include <functional>

namespace nodrel::console {

class ConsoleLoop {
public:
    ConsoleLoop();
    ~ConsoleLoop();
    ConsoleLoop(const ConsoleLoop&) = delete;
    ConsoleLoop& operator=(const ConsoleLoop&) = delete;

    bool Ready() const { return timer_ && stop_ && stopped_; }
    // On: the first tick one period (RefreshPeriodMs) from now, then on that grid.
    void SetTimer(bool enabled);

    std::function<void()> onTick;
    std::function<void()> onExit;  // a control event from the console
    HANDLE linkEvent = nullptr;
    std::function<void()> onLinkReadable;

    // Runs until `done` says so after an event.
    void Run(const std::function<bool()>& done);

private:
    static BOOL WINAPI ControlHandler(DWORD event);

    HANDLE timer_ = nullptr;
    HANDLE stop_ = nullptr;     // set by the control handler's thread
    HANDLE stopped_ = nullptr;  // set once the loop has finished
};

}  // namespace nodrel::console
