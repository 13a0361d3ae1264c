#include "cpu/cpu_usage.h"

#include <algorithm>

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
    // Counters that step backwards (iowait can) must not give a load outside 0..100:
    // the elapsed time never goes below zero and the idle time never exceeds it.
    const std::int64_t elapsed = std::max<std::int64_t>(0, now.system - OldSystemTime);
    const std::int64_t processors = std::max(1, now.processors);
    const std::int64_t idle =
        std::clamp<std::int64_t>(now.idle - OldIdleTime, 0, elapsed * processors);
    OldIdleTime = now.idle;
    OldSystemTime = now.system;
    return LoadPercent(idle, elapsed, static_cast<int>(processors));
}

}  // namespace nodrel
