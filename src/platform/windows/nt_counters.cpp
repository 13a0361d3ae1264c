#include "platform/windows/nt_counters.h"

#include <windows.h>
#include <winternl.h>

namespace nodrel::windows_platform {

namespace {

using Record = SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION;

template <typename Function>
Function NtdllFunction(const char* name) {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(ntdll, name)));
}

}  // namespace

NtProcessorRecords::NtProcessorRecords()
    : query_(NtdllFunction<Query>("NtQuerySystemInformation")),
      queryEx_(NtdllFunction<QueryEx>("NtQuerySystemInformationEx")) {}

int NtProcessorRecords::Groups() {
    return GetActiveProcessorGroupCount();
}

int NtProcessorRecords::Processors() {
    return static_cast<int>(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
}

bool NtProcessorRecords::Read(int group, std::vector<ProcessorTimes>& out) {
    const DWORD active = GetActiveProcessorCount(static_cast<WORD>(group));
    std::vector<Record> records(active);
    const auto size = static_cast<unsigned long>(records.size() * sizeof(Record));
    unsigned long returned = 0;
    long status = -1;
    // One group is the calling thread's, which the plain call covers on every version.
    if (Groups() == 1 && query_ != nullptr) {
        status = query_(SystemProcessorPerformanceInformation, records.data(), size, &returned);
    } else if (queryEx_ != nullptr) {
        USHORT number = static_cast<USHORT>(group);
        status = queryEx_(SystemProcessorPerformanceInformation, &number, sizeof number,
                          records.data(), size, &returned);
    }
    if (status != 0) return false;
    out.clear();
    for (std::size_t i = 0; i < returned / sizeof(Record); ++i) {
        out.push_back({records[i].IdleTime.QuadPart, records[i].KernelTime.QuadPart,
                       records[i].UserTime.QuadPart});
    }
    return true;
}

bool NtCounters::Read(nodrel::CpuTimes& out) {
    const int groups = records_.Groups();
    std::int64_t idle = 0;
    std::int64_t total = 0;
    int processors = 0;
    for (int group = 0; group < groups; ++group) {
        if (!records_.Read(group, group_)) return false;
        for (const ProcessorTimes& times : group_) {
            idle += times.idle;
            total += times.kernel + times.user;
        }
        processors += static_cast<int>(group_.size());
    }
    if (processors < 1 || processors != records_.Processors()) return false;
    out.idle = idle;
    out.system = total / processors;
    out.processors = processors;
    return true;
}

}  // namespace nodrel::windows_platform
