#pragma once
// nodreld.exe's run, the same in a console and as a service: one copy per computer, the
// core on the event loop from Form_Load to its end.
#include <functional>

#include "app/nodrel.h"
#include "app/startup.h"
#include "frontends/console/console_effects.h"
#include "frontends/console/event_loop.h"

namespace nodrel::console {

struct Host {
    EventLoop& loop;
    ConsoleEffects& effects;
    // After each event while the program runs (the console's redraw).
    std::function<void(const Nodrel&)> show;
    // Once Form_Load has left the program running (a service is then started).
    std::function<void()> started;
    // Power off, reboot and halt through InitiateShutdownW, as a service must.
    bool service = false;
};

// Returns the exit status.
int RunProgram(const StartUp& start, Host& host);

}  // namespace nodrel::console
