#include "platform/windows/nt_counters.h"

#include <windows.h>

#include <array>
#include <cstring>

namespace nodrel::windows_platform {

namespace {

constexpr int ClassBasic = 0;
constexpr int ClassPerformance = 2;
constexpr int ClassTimeOfDay = 3;

// Record sizes and offsets of the fields read, as the 64-bit system lays them out. The
// performance record has grown over the versions; a larger buffer than any of them is
// accepted, while the time-of-day record must not be asked for with more than it holds.
constexpr unsigned long BasicSize = 64;
constexpr std::size_t ProcessorsOffset = 56;
constexpr unsigned long PerformanceRoom = 1024;
constexpr std::size_t IdleOffset = 0;
constexpr unsigned long TimeOfDaySize = 32;
constexpr std::size_t CurrentTimeOffset = 8;

template <typename T, std::size_t N>
T FieldAt(const std::array<unsigned char, N>& buffer, std::size_t offset) {
    T value;
    std::memcpy(&value, buffer.data() + offset, sizeof value);
    return value;
}

}  // namespace

NtCounters::NtCounters() {
    if (const HMODULE ntdll = GetModuleHandleA("ntdll.dll")) {
        query_ = reinterpret_cast<QueryFunction>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
    }
}

bool NtCounters::Read(nodrel::CpuTimes& out) {
    if (query_ == nullptr) return false;
    std::array<unsigned char, BasicSize> basic{};
    std::array<unsigned char, TimeOfDaySize> timeOfDay{};
    std::array<unsigned char, PerformanceRoom> performance{};
    if (query_(ClassBasic, basic.data(), BasicSize, nullptr) != 0) return false;
    if (query_(ClassTimeOfDay, timeOfDay.data(), TimeOfDaySize, nullptr) != 0) return false;
    if (query_(ClassPerformance, performance.data(), PerformanceRoom, nullptr) != 0) return false;
    out.processors = basic[ProcessorsOffset];
    out.system = FieldAt<std::int64_t>(timeOfDay, CurrentTimeOffset);
    out.idle = FieldAt<std::int64_t>(performance, IdleOffset);
    return true;
}

}  // namespace nodrel::windows_platform
