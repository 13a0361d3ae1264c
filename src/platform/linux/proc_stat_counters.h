#pragma once
// Processor counters from /proc/stat.
#include <string>
#include <string_view>
#include <vector>

#include "cpu/cpu_counters.h"

namespace nodrel::linux_platform {

// Reads the "cpu" line and counts the "cpuN" lines of a /proc/stat text. Idle is
// idle + iowait; the elapsed time is the sum of user..steal divided by the processors,
// so that both come from the same counters. False when the text has no usable "cpu" line.
bool ParseProcStat(std::string_view text, long ticksPerSecond, nodrel::CpuTimes& out);

class ProcStatCounters : public nodrel::CpuCounters {
public:
    explicit ProcStatCounters(std::string path = "/proc/stat");
    ~ProcStatCounters() override;
    bool Read(nodrel::CpuTimes& out) override;

private:
    std::string path_;
    int fd_ = -1;
    std::vector<char> buffer_;  // kept between readings: one allocation for the program's life
    long ticksPerSecond_;
};

}  // namespace nodrel::linux_platform
