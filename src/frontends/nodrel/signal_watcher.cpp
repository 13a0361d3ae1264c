#include "frontends/nodrel/signal_watcher.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "platform/linux/control_signals.h"

namespace nodrel::qt {

void SignalWatcher::BlockSignals() {
    const sigset_t set = linux_platform::ControlSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher() {
    const sigset_t set = linux_platform::ControlSignals();
    fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { Read(); });
}

SignalWatcher::~SignalWatcher() {
    notifier_.reset();
    if (fd_ >= 0) close(fd_);
}

void SignalWatcher::Read() {
    linux_platform::DispatchControlSignal(fd_, onExit, onReload, onReset, onTest);
}

}  // namespace nodrel::qt
