#pragma once
// The machine as the Windows front ends hand it to the core: processor counters, clock,
// priority, power actions, the link socket, the log's appends, the configuration file's
// replacement and its code page.
#include "app/nodrel.h"
#include "platform/windows/ansi_file_encoding.h"
#include "platform/windows/append_only_file.h"
#include "platform/windows/config_file_store.h"
#include "platform/windows/nt_counters.h"
#include "platform/windows/process_priority.h"
#include "platform/windows/system_clock.h"
#include "platform/windows/win32_api.h"
#include "platform/windows/windows_power.h"
#include "platform/windows/winsock_link.h"

namespace nodrel::windows_platform {

struct WindowsParts {
    explicit WindowsParts(const std::string& programName) : power(api, programName) {}

    RealWin32Api api;
    NtCounters counters;
    WindowsClock clock;
    WindowsPriority priority;
    WindowsPower power;
    WinsockLink link;
    AppendOnlyFile logAppender;
    SystemConfigFileStore configStore;
    AnsiFileEncoding configEncoding;

    // The core's outside world: these parts with the front end's effects, those of its main
    // window if it has one, and its launcher.
    Outside For(Effects& effects, const std::string& programName, WindowEffects* window = nullptr,
                Launcher* launcher = nullptr) {
        Outside outside{effects,     counters, clock,    priority,     &power,      &link,
                        programName, window,   launcher, &logAppender, &configStore};
        outside.configEncoding = &configEncoding;
        return outside;
    }
};

}  // namespace nodrel::windows_platform
