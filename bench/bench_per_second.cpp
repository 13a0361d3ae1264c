// The per-second work of a master at log level Full: one /proc/stat reading, the load
// since the last one, the moving average and one log line. The budget is 30 µs of CPU time
// per second of monitoring.
//
// The core reads Data/Nodrel4.ini and writes its log relative to the current directory, so
// main() runs every benchmark inside a scratch folder that it removes afterwards.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/effects.h"
#include "app/nodrel.h"
#include "app/process_priority.h"
#include "config/config_writer.h"
#include "cpu/cpu_usage.h"
#include "platform/linux/proc_stat_counters.h"
#include "platform/linux/system_clock.h"

namespace fs = std::filesystem;

namespace {

// The front end's side of the program, reduced to remembering that it was asked to end.
class QuietEffects : public nodrel::Effects {
public:
    int ShowMessage(int, const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "%s\n%s\n", title.c_str(), text.c_str());
        return nodrel::box::kAnswerOk;
    }
    void EndProgram(int status) override { ended = status; }
    void SetRefreshTimer(bool) override {}

    std::optional<int> ended;
};

class UnchangedPriority : public nodrel::ProcessPriority {
public:
    void Raise() override {}
};

// A master at level Full that reaches phase Run after one second and cannot start a
// countdown for half an hour, written as the configuration window writes it.
std::string MasterFullConfig() {
    nodrel::ConfigFields fields;
    nodrel::RestoreDefaults(fields);
    fields.CPUDelayT = "1800", fields.StartDelayT = "1", fields.IPAddT = "";
    fields.LogLevelT = "Full", fields.LogLevelCode = 3;
    return nodrel::BuildConfigText(fields, 1, "01-Jan-25 00:00:00");
}

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t CountLines(const fs::path& path) {
    const std::string text = ReadWholeFile(path);
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n' ? 1 : 0;
    return lines;
}

// The machine's own counters, read as they are, with the idle time held still: every
// second then reads as fully busy, so the master stays in phase Run however idle the
// machine is, at the cost of a real reading.
class BusyCounters : public nodrel::CpuCounters {
public:
    bool Read(nodrel::CpuTimes& out) override {
        if (!machine_.Read(out)) return false;
        if (!idle_) idle_ = out.idle;
        out.idle = *idle_;
        return true;
    }

private:
    nodrel::linux_platform::ProcStatCounters machine_;
    std::optional<std::int64_t> idle_;
};

// A fresh Data/ and Log/ in the current (scratch) folder and a program loaded from them.
struct RunningMaster {
    QuietEffects effects;
    BusyCounters counters;
    nodrel::linux_platform::SystemClock clock;
    UnchangedPriority priority;
    std::optional<nodrel::Nodrel> program;

    // Empty when the program reached phase Run; otherwise what went wrong.
    std::string Start() {
        fs::remove_all("Data");
        fs::remove_all("Log");
        fs::create_directory("Data");
        fs::create_directory("Log");
        if (!nodrel::WriteConfigFile(nodrel::StandardConfigFileStore(), nodrel::kConfigFilePath,
                                     MasterFullConfig())) {
            return "Data/Nodrel4.ini could not be written";
        }
        program.emplace(nodrel::Outside{effects, counters, clock, priority});
        program->Form_Load("");
        // StartDelay=1: the second half-second tick does the activation second.
        program->tmrRefresh_Timer();
        program->tmrRefresh_Timer();
        if (effects.ended) return "the program ended while loading";
        if (program->State().Phase != nodrel::PhaseRun)
            return "the program did not reach phase Run";
        return {};
    }
};

// One second's work of the master: its two ticks, one of which does CheckCondition.
void BM_CheckCondition(benchmark::State& state) {
    RunningMaster master;
    if (const std::string problem = master.Start(); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    nodrel::Nodrel& program = *master.program;
    const fs::path log = "Log/Nodrel.log";
    const std::size_t linesBefore = CountLines(log);
    for (auto _ : state) {
        program.tmrRefresh_Timer();
        program.tmrRefresh_Timer();
    }
    const std::size_t written = CountLines(log) - linesBefore;
    if (master.effects.ended || program.State().Phase != nodrel::PhaseRun) {
        state.SkipWithError("the program left phase Run");
    } else if (written != static_cast<std::size_t>(state.iterations())) {
        state.SkipWithError("not exactly one log line per second of work");
    }
    state.counters["log_bytes_per_line"] = benchmark::Counter(
        static_cast<double>(fs::file_size(log)) / static_cast<double>(CountLines(log)));
}
BENCHMARK(BM_CheckCondition)->Unit(benchmark::kMicrosecond);

// The sampler alone: one /proc/stat reading and the load since the previous one.
void BM_Sampler(benchmark::State& state) {
    nodrel::linux_platform::ProcStatCounters counters;
    nodrel::clsCPUUsageNT sampler(counters);
    sampler.Initialize();
    int failures = 0;
    for (auto _ : state) {
        const int load = sampler.Query();
        failures += load < 0 ? 1 : 0;
        benchmark::DoNotOptimize(load);
    }
    if (failures > 0) state.SkipWithError("/proc/stat could not be read");
}
BENCHMARK(BM_Sampler)->Unit(benchmark::kMicrosecond);

// Parsing one /proc/stat text of this machine, without the system call.
void BM_ParseProcStat(benchmark::State& state) {
    const std::string text = ReadWholeFile("/proc/stat");
    const long ticks = sysconf(_SC_CLK_TCK);
    nodrel::CpuTimes times;
    for (auto _ : state) {
        const bool ok = nodrel::linux_platform::ParseProcStat(text, ticks, times);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(times);
        if (!ok) {
            state.SkipWithError("this machine's /proc/stat did not parse");
            break;
        }
    }
    state.counters["processors"] = times.processors;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseProcStat)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    std::error_code ec;
    const fs::path previous = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "nodrel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("nodrel_bench: cannot create a scratch folder");
        return 1;
    }
    const fs::path scratch = pattern;
    fs::current_path(scratch);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    fs::current_path(previous);
    fs::remove_all(scratch, ec);
    return 0;
}
