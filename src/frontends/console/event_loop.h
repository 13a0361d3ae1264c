#pragma once
// One thread: a poll loop over the refresh timer and the signals.
#include <functional>

namespace nodrel::console {

class EventLoop {
public:
    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    bool Ready() const { return timerFd_ >= 0 && signalFd_ >= 0; }
    // On: the first tick one period (RefreshPeriodMs) from now, then on that grid.
    void SetTimer(bool enabled);

    std::function<void()> onTick;
    std::function<void()> onExitSignal;    // SIGINT, SIGTERM
    std::function<void()> onReloadSignal;  // SIGHUP
    std::function<void()> onResetSignal;   // SIGUSR1: the Reset button
    std::function<void()> onTestSignal;    // SIGUSR2: the Test button
    // The link's socket, looked up afresh for every wait since a reload may replace it.
    std::function<int()> linkFd;
    std::function<void()> onLinkReadable;

    // Runs until `done` says so after an event.
    void Run(const std::function<bool()>& done);

private:
    void HandleTimer();
    void HandleSignal();

    int timerFd_ = -1;
    int signalFd_ = -1;
};

}  // namespace nodrel::console
