#include "frontends/nodreld/event_loop.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "app/effects.h"
#include "platform/linux/control_signals.h"

namespace nodrel::console {

EventLoop::EventLoop() {
    const sigset_t set = linux_platform::ControlSignals();
    sigprocmask(SIG_BLOCK, &set, nullptr);
    signalFd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    timerFd_ = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
}

EventLoop::~EventLoop() {
    if (timerFd_ >= 0) close(timerFd_);
    if (signalFd_ >= 0) close(signalFd_);
}

void EventLoop::SetTimer(bool enabled) {
    // A periodic kernel timer: expirations stay on the grid set when it was armed.
    itimerspec period{};
    if (enabled) {
        constexpr long PeriodNs = RefreshPeriodMs * 1'000'000L;
        period.it_value.tv_nsec = PeriodNs;
        period.it_interval.tv_nsec = PeriodNs;
    }
    timerfd_settime(timerFd_, 0, &period, nullptr);
}

void EventLoop::HandleTimer() {
    std::uint64_t expirations = 0;
    if (read(timerFd_, &expirations, sizeof expirations) != sizeof expirations) return;
    // A late tick is handled late; missed ones are not made up.
    if (expirations > 0 && onTick) onTick();
}

void EventLoop::HandleSignal() {
    linux_platform::DispatchControlSignal(signalFd_, onExitSignal, onReloadSignal, onResetSignal,
                                          onTestSignal);
}

void EventLoop::Run(const std::function<bool()>& done) {
    while (!done()) {
        const int link = linkFd ? linkFd() : -1;
        pollfd fds[3] = {{signalFd_, POLLIN, 0}, {timerFd_, POLLIN, 0}, {link, POLLIN, 0}};
        if (poll(fds, link >= 0 ? 3 : 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        // Signals first, then the tick, so that neither waits behind a flood of datagrams.
        if (fds[0].revents & POLLIN) {
            HandleSignal();
            continue;
        }
        if (fds[1].revents & POLLIN) HandleTimer();
        if (done()) return;
        if (link >= 0 && (fds[2].revents & (POLLIN | POLLERR)) && onLinkReadable) {
            onLinkReadable();
        }
    }
}

}  // namespace nodrel::console
