#pragma once
// Processor counters summed over every processor of every active processor group: a
// machine with more than 64 logical processors has several groups.
#include <cstdint>
#include <vector>

#include "cpu/cpu_counters.h"

namespace nodrel::windows_platform {

// One processor's running totals in units of 100 ns; the kernel time includes the idle time.
struct ProcessorTimes {
    std::int64_t idle = 0;
    std::int64_t kernel = 0;
    std::int64_t user = 0;
};

// The system's per-processor records, group by group: the seam the tests play a machine
// with several groups through.
class ProcessorRecords {
public:
    virtual ~ProcessorRecords() = default;
    // Active processor groups, and active processors in all of them; 0 when unknown.
    virtual int Groups() = 0;
    virtual int Processors() = 0;
    // The records of the active processors of `group`; false when they cannot be read.
    virtual bool Read(int group, std::vector<ProcessorTimes>& out) = 0;
};

// The records from ntdll: NtQuerySystemInformation answers only for the calling thread's
// group, so with several groups each is asked for by number (NtQuerySystemInformationEx).
class NtProcessorRecords : public ProcessorRecords {
public:
    NtProcessorRecords();
    int Groups() override;
    int Processors() override;
    bool Read(int group, std::vector<ProcessorTimes>& out) override;

private:
    using Query = long(__stdcall*)(int, void*, unsigned long, unsigned long*);
    using QueryEx = long(__stdcall*)(int, void*, unsigned long, void*, unsigned long,
                                     unsigned long*);
    Query query_ = nullptr;
    QueryEx queryEx_ = nullptr;
};

// The idle time of all processors, the elapsed time of one (their kernel and user time
// over their number, so that idle never exceeds it) and how many there are. A reading
// whose records do not cover every active processor fails.
class NtCounters : public nodrel::CpuCounters {
public:
    NtCounters() : NtCounters(system_) {}
    explicit NtCounters(ProcessorRecords& records) : records_(records) {}
    bool Read(nodrel::CpuTimes& out) override;

private:
    NtProcessorRecords system_;
    ProcessorRecords& records_;
    std::vector<ProcessorTimes> group_;  // the group being read
};

}  // namespace nodrel::windows_platform
