#pragma once
// nodreld.exe as the Windows service "Nodrel", started by the service control manager.
#include "app/startup.h"
#include "frontends/console/console_effects.h"
#include "platform/windows/event_log.h"

namespace nodrel::console {

inline constexpr const wchar_t* kServiceName = L"Nodrel";

// Nobody sees a service's boxes: their titles and texts go to the event log, answered as
// on a console.
void ReportMessagesTo(ConsoleEffects& effects, windows_platform::EventLog& log);

// Hands the process to the service control manager and runs the program as the service
// until it ends; returns the exit status (1 when not started by the manager).
int RunService(const StartUp& start);

}  // namespace nodrel::console
