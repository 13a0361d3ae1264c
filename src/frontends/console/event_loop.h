#pragma once
// One thread waiting on the refresh timer, the control requests and the link's socket, and
// calling the core for one event at a time. One implementation per system:
// event_loop_posix.cpp (a poll over a timerfd, a signalfd and the socket) and
// event_loop_win32.cpp (a wait on a waitable timer, a control event and the socket's event).
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace nodrel {
class Nodrel;
}

namespace nodrel::console {

// What someone outside asks of the running program.
enum class Control {
    Exit,        // SIGINT, SIGTERM; Ctrl+C or closing the console; a service's STOP
    SessionEnd,  // Windows: the session or the system ends (log-off, shutdown)
    Reload,      // SIGHUP; a service's PARAMCHANGE
    Reset,       // SIGUSR1; Ctrl+Break; service control 128
    Test,        // SIGUSR2; service control 129
};

// The link socket's waitable as the system has it: a file descriptor, or an event handle.
using Waitable = std::intptr_t;
inline constexpr Waitable kNoWaitable = -1;

class EventLoop {
public:
    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    bool Ready() const;
    // On: the first tick one period (kRefreshPeriodMs) from now, then on that grid.
    void SetTimer(bool enabled);

    std::function<void()> onTick;
    std::function<void()> onExit;
    std::function<void()> onSessionEnd;
    std::function<void()> onReload;
    std::function<void()> onReset;
    std::function<void()> onTest;
    // Looked up afresh for every wait, since a reload may replace the socket.
    std::function<Waitable()> linkWaitable;
    std::function<void()> onLinkReadable;
    // Once after every event: the place to redraw.
    std::function<void()> afterEvent;

    // From any thread (a console's or a service's control handler): the request is handled
    // on the loop's thread, before the next tick.
    void Post(Control control);
    // Calls the handler of one request, then afterEvent.
    void Dispatch(Control control);

    // Runs until `done` says so after an event.
    void Run(const std::function<bool()>& done);

private:
    void Handle(const std::function<void()>& handler);
    // The posted requests, in order, until one ends the program.
    void HandlePosted(const std::function<bool()>& done);

    struct System;
    System* system_;
    std::mutex postedLock_;
    std::vector<Control> posted_;
};

// The core's entry point for each event: the tick, Exit, reload, Reset and Test.
void Connect(EventLoop& loop, Nodrel& program);

}  // namespace nodrel::console
