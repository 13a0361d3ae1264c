#include "platform/linux/control_signals.h"

#include <sys/signalfd.h>
#include <unistd.h>

namespace nodrel::linux_platform {

sigset_t ControlSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) sigaddset(&set, number);
    return set;
}

void DispatchControlSignal(int signalFd, const std::function<void()>& exit,
                           const std::function<void()>& reload, const std::function<void()>& reset,
                           const std::function<void()>& test) {
    signalfd_siginfo info{};
    if (read(signalFd, &info, sizeof info) != sizeof info) return;
    const std::function<void()>* handler = &exit;
    if (info.ssi_signo == SIGHUP) handler = &reload;
    if (info.ssi_signo == SIGUSR1) handler = &reset;
    if (info.ssi_signo == SIGUSR2) handler = &test;
    if (*handler) (*handler)();
}

bool TakeExitSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    const timespec now{0, 0};
    return sigtimedwait(&set, nullptr, &now) > 0;
}

}  // namespace nodrel::linux_platform
