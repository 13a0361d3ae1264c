#pragma once
// Unix signals as events of the Qt event loop: SIGINT and SIGTERM end the program, SIGHUP
// re-reads the settings, SIGUSR1 and SIGUSR2 stand for the Reset and Test buttons.
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace nodrel::qt {

class SignalWatcher {
public:
    // Blocks the signals in the calling thread. Call it first thing in main, before Qt
    // starts threads of its own: they inherit the mask, so no thread dies of a signal
    // that the watcher should read.
    static void BlockSignals();

    SignalWatcher();
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    bool Ready() const { return fd_ >= 0; }

    std::function<void()> onExit;    // SIGINT, SIGTERM
    std::function<void()> onReload;  // SIGHUP
    std::function<void()> onReset;   // SIGUSR1
    std::function<void()> onTest;    // SIGUSR2

private:
    void Read();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace nodrel::qt
