#pragma once
// Processor load between two readings of the system's counters.
#include "cpu/cpu_counters.h"

namespace nodrel {

class clsCPUUsageNT {
public:
    explicit clsCPUUsageNT(CpuCounters& counters) : counters_(counters) {}

    // Takes a baseline; a failed reading keeps the old one.
    void Initialize();
    // Load in percent since the last baseline, and a new baseline; -1 when the counters
    // cannot be read (the baseline then stays) or do not fit together (idle time outside
    // 0..elapsed time x processors, time running backwards).
    int Query();

private:
    CpuCounters& counters_;
    std::int64_t OldIdleTime = 0;
    std::int64_t OldSystemTime = 0;
};

}  // namespace nodrel
