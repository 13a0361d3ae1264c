#include "signal_watcher.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace nodrel {

namespace {

sigset_t WatchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) sigaddset(&set, number);
    return set;
}

}  // namespace

void SignalWatcher::BlockSignals() {
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher() {
    const sigset_t set = WatchedSignals();
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
    signalfd_siginfo info{};
    // One signal per event; a further one keeps the descriptor readable.
    if (read(fd_, &info, sizeof info) != sizeof info) return;
    const std::function<void()>* handler = &onExit;
    if (info.ssi_signo == SIGHUP) handler = &onReload;
    if (info.ssi_signo == SIGUSR1) handler = &onReset;
    if (info.ssi_signo == SIGUSR2) handler = &onTest;
    if (*handler) (*handler)();
}

}  // namespace nodrel
