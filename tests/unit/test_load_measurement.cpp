// Load in percent: the arithmetic, the sampler's baselines, parsing /proc/stat.
#include <gtest/gtest.h>

#include "cpu/cpu_usage.h"
#include "cpu/load_arithmetic.h"
#include "fakes.h"
#ifndef _WIN32
#include "platform/linux/proc_stat_counters.h"
#endif

namespace nodrel::testing {
namespace {

constexpr std::int64_t kSecond = 10'000'000;

std::int64_t Share(double share) {
    return static_cast<std::int64_t>(share * kSecond + 0.5);
}

// The idle share is rounded to four decimals, then the load is floored.
TEST(LoadPercent, FourDecimalRoundingAndFloor) {
    // idle, elapsed, processors, load
    const std::tuple<std::int64_t, std::int64_t, int, int> cases[] = {
        {Share(0.8735), kSecond, 1, 13},   // 13.15
        {Share(0.8750), kSecond, 1, 13},   // 13.0
        {Share(0.8751), kSecond, 1, 12},   // 12.99
        {Share(0.87505), kSecond, 1, 13},  // ten-thousandths tie goes to even: 0.8750
        {3 * kSecond, kSecond, 4, 25},     // one of four processors busy
        {0, kSecond, 1, 100},
        {Share(1.005), kSecond, 1, 0},
        {Share(1.01), kSecond, 1, -1},  // a share a little above one is the failure value
        {Share(1.02), kSecond, 1, -2},
    };
    for (const auto& [idle, elapsed, processors, load] : cases) {
        EXPECT_EQ(LoadPercent(idle, elapsed, processors), load) << idle << " on " << processors;
    }
}

// Counters the test sets; each query covers the time since the last good reading.
struct SteppedCounters : CpuCounters {
    bool Read(CpuTimes& out) override {
        if (fail) return false;
        out = now;
        return true;
    }
    CpuTimes now{0, 0, 2};
    bool fail = false;
};

// Failed readings keep the baseline; counters that do not fit together are failed readings
// too, never a load clamped to 0 % or 100 %.
TEST(Sampler, FailedReadingsKeepTheOldBaselineAndCountersThatDisagreeFail) {
    SteppedCounters counters;
    clsCPUUsageNT sampler(counters);
    sampler.Initialize();
    counters.now = {kSecond, kSecond, 2};  // one of two processors idle
    EXPECT_EQ(sampler.Query(), 50);
    counters.fail = true;
    EXPECT_EQ(sampler.Query(), -1);
    sampler.Initialize();
    counters.fail = false;
    counters.now = {4 * kSecond, 3 * kSecond, 2};  // three of four processor-seconds idle
    EXPECT_EQ(sampler.Query(), 25) << "neither the failed query nor Initialize moved the baseline";
    const CpuTimes disagreeing[] = {
        {3 * kSecond, 4 * kSecond, 2},      // idle went backwards
        {5 * kSecond + 2, 5 * kSecond, 1},  // more idle than the one processor had
        {6 * kSecond, 4 * kSecond, 2},      // time went backwards
        {6 * kSecond, 5 * kSecond, 0},      // no processors
    };
    for (const CpuTimes& now : disagreeing) {
        counters.now = now;
        EXPECT_EQ(sampler.Query(), -1) << now.idle << " " << now.system << " " << now.processors;
    }
    counters.now = {7 * kSecond, 6 * kSecond, 2};  // the last reading is the new baseline
    EXPECT_EQ(sampler.Query(), 50);
}

#ifndef _WIN32
// Idle includes iowait, time is per processor, a short or garbled file is refused, and a
// long one is read whole.
TEST(ProcStat, IdleIncludesIowaitAndTimeIsPerProcessor) {
    CpuTimes t;
    ASSERT_TRUE(
        linux_platform::ParseProcStat("cpu  100 5 50 800 40 3 2 0 7 0\n"
                                      "cpu0 50 2 25 400 20 1 1 0 3 0\n"
                                      "cpu1 50 3 25 400 20 2 1 0 4 0\n"
                                      "intr 12345 1 2 3\nctxt 999\n",
                                      100, t));
    EXPECT_EQ(t.processors, 2);
    EXPECT_EQ(t.idle, (800 + 40) * 100'000);
    // user..steal (guest time is already inside user) over two processors
    EXPECT_EQ(t.system, (100 + 5 + 50 + 800 + 40 + 3 + 2 + 0) * 100'000 / 2);
    for (const char* unusable : {"", "cpu  1 2 3\ncpu0 1 2 3\n", "cpu  1 2 3 4 5 6 7 8\n",
                                 "cpu  a b c d e f g h\ncpu0 1\n"}) {
        EXPECT_FALSE(linux_platform::ParseProcStat(unusable, 100, t)) << unusable;
    }
    // A file longer than the first buffer is read whole: every processor counts.
    ScratchFolder folder;
    std::string many = "cpu  1 1 1 1 1 1 1 1 1 1\n";
    for (int i = 0; i < 1000; ++i) many += "cpu" + std::to_string(i) + " 1 1 1 1 1 1 1 1 1 1\n";
    WriteBytes(folder.Path() / "stat", many);
    linux_platform::ProcStatCounters counters((folder.Path() / "stat").string());
    ASSERT_TRUE(counters.Read(t));
    EXPECT_EQ(t.processors, 1000);
}
#endif

}  // namespace
}  // namespace nodrel::testing
