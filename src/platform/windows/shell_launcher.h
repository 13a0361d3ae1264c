#pragma once
// The small services: priority, local time, and starting the browser or the log viewer.
#include "app/launcher.h"
#include "app/process_priority.h"
#include "common/clock.h"

namespace nodrel::windows_platform {

// The high priority class for the process, the highest priority for the calling thread;
// refusals are ignored.
class WindowsPriority : public nodrel::ProcessPriority {
public:
    void Raise() override;
};

// Local time from the C runtime.
class WindowsClock : public nodrel::Clock {
public:
    std::tm LocalNow() override;
};

// The default browser through the shell; the log in Notepad, not waited for.
class ShellLauncher : public nodrel::Launcher {
public:
    bool OpenUrl(const std::string& address) override;
    bool OpenFile(const std::string& path) override;
    std::string ViewerProgram() const override;

    // The program that opens files, found as CreateProcessW finds it; tests point it elsewhere.
    std::wstring viewer = L"notepad.exe";
};

}  // namespace nodrel::windows_platform
