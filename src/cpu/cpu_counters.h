#pragma once
#include <cstdint>

namespace nodrel {

// The operating system's running totals, in units of 100 ns.
struct CpuTimes {
    std::int64_t idle = 0;    // idle time summed over all processors
    std::int64_t system = 0;  // elapsed time of one processor
    int processors = 0;
};

class CpuCounters {
public:
    virtual ~CpuCounters() = default;
    // False when the counters cannot be read.
    virtual bool Read(CpuTimes& out) = 0;
};

}  // namespace nodrel
