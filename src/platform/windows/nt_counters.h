#pragma once
// Processor counters from NtQuerySystemInformation: the idle time of all processors, the
// system time and the number of processors.
#include "cpu/cpu_counters.h"

namespace nodrel::windows_platform {

class NtCounters : public nodrel::CpuCounters {
public:
    NtCounters();
    bool Read(nodrel::CpuTimes& out) override;

private:
    using QueryFunction = long(__stdcall*)(int, void*, unsigned long, unsigned long*);
    QueryFunction query_ = nullptr;
};

}  // namespace nodrel::windows_platform
