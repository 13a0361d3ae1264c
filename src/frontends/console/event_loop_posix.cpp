#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "app/effects.h"
#include "frontends/console/event_loop.h"
#include "platform/linux/control_signals.h"

namespace nodrel::console {

struct EventLoop::System {
    int timerFd = -1;
    int signalFd = -1;
    int postedFd = -1;  // counts the requests posted from other threads
};

EventLoop::EventLoop() : system_(new System) {
    const sigset_t set = linux_platform::ControlSignals();
    sigprocmask(SIG_BLOCK, &set, nullptr);
    system_->signalFd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    system_->timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    system_->postedFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

EventLoop::~EventLoop() {
    for (const int fd : {system_->timerFd, system_->signalFd, system_->postedFd}) {
        if (fd >= 0) close(fd);
    }
    delete system_;
}

bool EventLoop::Ready() const {
    return system_->timerFd >= 0 && system_->signalFd >= 0 && system_->postedFd >= 0;
}

void EventLoop::SetTimer(bool enabled) {
    // A periodic kernel timer: expirations stay on the grid set when it was armed.
    itimerspec period{};
    if (enabled) {
        constexpr long kPeriodNs = kRefreshPeriodMs * 1'000'000L;
        period.it_value.tv_nsec = kPeriodNs;
        period.it_interval.tv_nsec = kPeriodNs;
    }
    timerfd_settime(system_->timerFd, 0, &period, nullptr);
}

void EventLoop::Post(Control control) {
    {
        const std::lock_guard<std::mutex> hold(postedLock_);
        posted_.push_back(control);
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(system_->postedFd, &one, sizeof one);
}

namespace {

// True when the descriptor had something to read (a tick's expirations, posted requests).
bool Drain(int fd) {
    std::uint64_t count = 0;
    return read(fd, &count, sizeof count) == sizeof count && count > 0;
}

}  // namespace

void EventLoop::Run(const std::function<bool()>& done) {
    while (!done()) {
        const int link = static_cast<int>(linkWaitable ? linkWaitable() : kNoWaitable);
        pollfd fds[4] = {{system_->signalFd, POLLIN, 0},
                         {system_->postedFd, POLLIN, 0},
                         {system_->timerFd, POLLIN, 0},
                         {link, POLLIN, 0}};
        if (poll(fds, link >= 0 ? 4 : 3, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        // Requests first, then the tick, so that neither waits behind a flood of datagrams.
        if (fds[0].revents & POLLIN) {
            linux_platform::DispatchControlSignal(
                system_->signalFd, [&] { Dispatch(Control::Exit); },
                [&] { Dispatch(Control::Reload); }, [&] { Dispatch(Control::Reset); },
                [&] { Dispatch(Control::Test); });
            continue;
        }
        if ((fds[1].revents & POLLIN) && Drain(system_->postedFd)) HandlePosted(done);
        // A late tick is handled late; missed ones are not made up.
        if (!done() && (fds[2].revents & POLLIN) && Drain(system_->timerFd)) Handle(onTick);
        if (done()) return;
        if (link >= 0 && (fds[3].revents & (POLLIN | POLLERR))) Handle(onLinkReadable);
    }
}

}  // namespace nodrel::console
