#include "cpu/cpu_usage.h"

#include "cpu/load_arithmetic.h"

namespace nodrel {

void clsCPUUsageNT::Initialize() {
    CpuTimes now;
    if (!counters_.Read(now)) return;
    OldIdleTime = now.idle;
    OldSystemTime = now.system;
}

int clsCPUUsageNT::Query() {
    CpuTimes now;
    if (!counters_.Read(now)) return -1;
    const std::int64_t elapsed = now.system - OldSystemTime;
    const std::int64_t idle = now.idle - OldIdleTime;
    OldIdleTime = now.idle;
    OldSystemTime = now.system;
    // Counters that disagree (time running backwards, idle time going back or exceeding
    // what the processors had) say nothing about the load: a failed reading, never a
    // reading clamped to one end. The elapsed time is the processors' total divided by
    // their number, so it may come out up to one unit per processor short.
    const int processors = now.processors;
    if (processors < 1 || elapsed < 0 || idle < 0) return -1;
    if (idle > (elapsed + 1) * processors) return -1;
    return LoadPercent(idle, elapsed, processors);
}

}  // namespace nodrel
