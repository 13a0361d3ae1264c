#include <windows.h>

#include "app/effects.h"
#include "frontends/console/event_loop.h"

namespace nodrel::console {

namespace {
constexpr LONGLONG kPeriodIn100ns = kRefreshPeriodMs * 10'000LL;
}  // namespace

struct EventLoop::System {
    HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    HANDLE posted = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // set by Post
};

EventLoop::EventLoop() : system_(new System) {}

EventLoop::~EventLoop() {
    for (HANDLE handle : {system_->timer, system_->posted}) {
        if (handle) CloseHandle(handle);
    }
    delete system_;
}

bool EventLoop::Ready() const {
    return system_->timer && system_->posted;
}

void EventLoop::SetTimer(bool enabled) {
    // A periodic timer keeps its grid; a late tick is handled late and missed ones are
    // not made up.
    if (!enabled) {
        CancelWaitableTimer(system_->timer);
        return;
    }
    LARGE_INTEGER due;
    due.QuadPart = -kPeriodIn100ns;  // relative
    SetWaitableTimer(system_->timer, &due, kRefreshPeriodMs, nullptr, nullptr, FALSE);
}

void EventLoop::Post(Control control) {
    {
        const std::lock_guard<std::mutex> hold(postedLock_);
        posted_.push_back(control);
    }
    SetEvent(system_->posted);
}

void EventLoop::Run(const std::function<bool()>& done) {
    while (!done()) {
        // In order of precedence: a datagram flood must not hold up the tick or a request.
        const HANDLE link =
            linkWaitable ? reinterpret_cast<HANDLE>(linkWaitable()) : INVALID_HANDLE_VALUE;
        const bool linked = link != nullptr && link != INVALID_HANDLE_VALUE;
        const HANDLE waits[] = {system_->posted, system_->timer, link};
        const DWORD woken = WaitForMultipleObjects(linked ? 3 : 2, waits, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0) {
            HandlePosted(done);
        } else if (woken == WAIT_OBJECT_0 + 1) {
            Handle(onTick);
        } else if (woken == WAIT_OBJECT_0 + 2) {
            Handle(onLinkReadable);
        } else {
            return;
        }
    }
}

}  // namespace nodrel::console
