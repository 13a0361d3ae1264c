#pragma once
// The machine as both front ends hand it to the core: processor counters, clock, priority,
// power actions, the link socket, the log's appends and the configuration file's
// replacement.
#include "app/nodrel.h"
#include "platform/linux/append_only_file.h"
#include "platform/linux/config_file_store.h"
#include "platform/linux/logind_power.h"
#include "platform/linux/proc_stat_counters.h"
#include "platform/linux/process_priority.h"
#include "platform/linux/system_clock.h"
#include "platform/linux/udp_link.h"

namespace nodrel::linux_platform {

struct LinuxParts {
    ProcStatCounters counters;
    SystemClock clock;
    NicePriority priority;
    LogindPower power;
    UdpLink link;
    AppendOnlyFile logAppender;
    SystemConfigFileStore configStore;

    // The core's outside world: these parts with the front end's effects, those of its main
    // window if it has one, and its launcher.
    Outside For(Effects& effects, const std::string& programName, WindowEffects* window = nullptr,
                Launcher* launcher = nullptr) {
        return {effects,     counters, clock,    priority,     &power,      &link,
                programName, window,   launcher, &logAppender, &configStore};
    }
};

}  // namespace nodrel::linux_platform
