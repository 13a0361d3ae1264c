#include "frontends/console/event_loop.h"

#include "app/nodrel.h"

namespace nodrel::console {

void EventLoop::Handle(const std::function<void()>& handler) {
    if (handler) handler();
    if (afterEvent) afterEvent();
}

void EventLoop::Dispatch(Control control) {
    switch (control) {
        case Control::Exit:
            return Handle(onExit);
        case Control::SessionEnd:
            return Handle(onSessionEnd);
        case Control::Reload:
            return Handle(onReload);
        case Control::Reset:
            return Handle(onReset);
        case Control::Test:
            return Handle(onTest);
    }
}

void EventLoop::HandlePosted(const std::function<bool()>& done) {
    std::vector<Control> taken;
    {
        const std::lock_guard<std::mutex> hold(postedLock_);
        taken.swap(posted_);
    }
    for (const Control control : taken) {
        if (done()) return;
        Dispatch(control);
    }
}

void Connect(EventLoop& loop, Nodrel& program) {
    loop.onTick = [&program] { program.tmrRefresh_Timer(); };
    loop.onExit = [&program] { program.Form_Unload(); };
    loop.onSessionEnd = [&program] { program.SessionEnding(); };
    loop.onReload = [&program] { program.ReloadSettings(); };
    loop.onReset = [&program] { program.Reset_Click(); };
    loop.onTest = [&program] { program.TestS_Click(); };
}

}  // namespace nodrel::console
