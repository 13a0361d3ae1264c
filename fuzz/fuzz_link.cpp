// Any sequence of datagrams and timer ticks fed to a slave. After each step: a datagram
// counted as alive exactly when the message rule (written out again below) accepts it,
// and every part of the cycle's state lies in its range.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "app/nodrel.h"
#include "link/link_protocol.h"

namespace {

namespace fs = std::filesystem;
using nodrel::Nodrel;

void Check(bool holds) {
    if (!holds) __builtin_trap();
}

// The outside world, inert: nothing is shown, nothing powers anything off.
struct QuietEffects : nodrel::Effects {
    int ShowMessage(int, const std::string&, const std::string&) override { return answer; }
    void EndProgram(int) override {}
    void SetRefreshTimer(bool) override {}
    int answer = nodrel::box::kAnswerNo;
};
struct IdleCounters : nodrel::CpuCounters {
    bool Read(nodrel::CpuTimes& out) override {
        now.system += 10'000'000, now.idle += 10'000'000;
        out = now;
        return true;
    }
    nodrel::CpuTimes now{0, 0, 1};
};
struct FixedClock : nodrel::Clock {
    std::tm LocalNow() override { return std::tm{}; }
};
struct NoPriority : nodrel::ProcessPriority {
    void Raise() override {}
};
struct AcceptingPower : nodrel::PowerBackend {
    nodrel::PowerOutcome Perform(nodrel::PowerCall) override { return {}; }
};
struct SilentLink : nodrel::LinkSocket {
    void Close() override {}
    bool Bind(int) override { return bindWorks; }
    bool SendTo(const std::string&, int, std::string_view) override { return true; }
    bool bindWorks = true;
};

// The rule as the protocol states it: "<CO" first, ">" last, and the two characters at
// positions 6 and 7 the decimal count of characters beyond the first eight.
bool Acceptable(std::string_view m) {
    if (m.size() < 8 || m.substr(0, 3) != "<CO" || m.back() != '>') return false;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!digit(m[5]) || !digit(m[6])) return false;
    return std::size_t((m[5] - '0') * 10 + (m[6] - '0')) + 8 == m.size();
}

// A folder of its own with Data/ and Log/, the current directory from the first input on;
// removed when the process exits normally.
class ScratchFolder {
public:
    ScratchFolder()
        : previous_(fs::current_path()),
          path_(fs::temp_directory_path() / ("fuzz_link_" + std::to_string(::getpid()))) {
        fs::create_directories(path_ / "Data");
        fs::create_directories(path_ / "Log");
        fs::current_path(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(path_, ignored);
    }

private:
    fs::path previous_, path_;
};

void EnterScratchFolder() {
    static const ScratchFolder folder;
}

// Reads the input front to back; zeros once it is used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
    std::string_view Bytes(std::size_t n) {
        n = std::min(n, size_ - std::min(at_, size_));
        const std::string_view bytes(reinterpret_cast<const char*>(data_) + at_, n);
        at_ += n;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_, at_ = 0;
};

struct Limits {
    int startDelay, cpuDelay, shutTime, shutType;
};

// The settings file of a slave, its numbers taken from the input.
Limits WriteSettings(Input& in) {
    const Limits l{1 + in.Byte() % 3, 5 + in.Byte() % 3, 2 + in.Byte() % 3, 1 + in.Byte() % 6};
    const int logLevel = 1 + in.Byte() % 3;
    std::ofstream("Data/Nodrel4.ini", std::ios::binary | std::ios::trunc)
        << "[Comms]\r\nCMain=2\r\nDName=1\r\nIPAdd=127.0.0.1\r\nPort1=10001\r\n[Run]\r\n"
        << "AvTime=1\r\nCPUDelay=" << l.cpuDelay << "\r\nCPULevel=20\r\nLogLevel=" << logLevel
        << "\r\nLogName=Nodrel.log\r\nLogPath=Log/\r\nRunOnTop=1\r\nStartDelay=" << l.startDelay
        << "\r\nStartMin=1\r\n[Shutdown]\r\nShutTime=" << l.shutTime
        << "\r\nShutType=" << l.shutType << "\r\n";
    std::ofstream("Log/Nodrel.log", std::ios::trunc);  // the log stays small
    return l;
}

void CheckState(const Nodrel& program, const Limits& l) {
    const nodrel::CycleState& p = program.State();
    Check(p.Phase >= nodrel::PhaseInitialise && p.Phase <= nodrel::PhaseCountdown);
    Check(p.ConditionMet == 0 || p.ConditionMet == 1);
    Check(p.TickDivider == 1 || p.TickDivider == 2);
    Check(p.CommsText == "...." || p.CommsText == "Fail" || p.CommsText == "-OK-" ||
          p.CommsText == "Error");
    Check(p.Unconfigured == (l.shutType == 4));
    const int trigger = p.InhibitShutdown == 1 ? 6 : l.cpuDelay;
    const int shutTime = p.InhibitShutdown == 1 ? 6 : l.shutTime;
    Check(p.TriggerDelay == (p.TestMode ? 5 : trigger));
    Check(p.Count >= 0);
    // After a hibernate or standby the activation delay starts one second longer.
    if (p.Phase == nodrel::PhaseInitialise) Check(p.Count <= std::max(l.startDelay + 1, 2));
    if (p.Phase == nodrel::PhaseRun) Check(p.Count < p.TriggerDelay);
    if (p.Phase == nodrel::PhaseCountdown) {
        Check(!p.Unconfigured && !p.PortError && p.Count <= shutTime + 1);
        const nodrel::ButtonState& reset = program.Window().Reset;
        if (p.Count > 0) Check(reset.enabled && reset.caption == "Cancel");
    }
}

// One datagram; a rule-abiding one counts the second as alive, any other leaves the count
// of the second as it was. Reset ("C0") and Test ("T0") then restart the cycle.
// The command a slave acted on last, and the ticks during which its repeats are ignored.
struct LastCommand {
    std::string_view command;
    int quietTicks = 0;
};

void Deliver(Nodrel& program, std::string_view datagram, LastCommand& last) {
    const nodrel::CycleState& p = program.State();
    const bool valid = Acceptable(datagram);
    Check(nodrel::IsValidLinkMessage(datagram) == valid);
    const std::int16_t before = p.ConditionMet;
    const bool couldTest = !p.Unconfigured && !p.PortError;
    program.udpServ_DataArrival(datagram);
    if (program.EndStatus()) return;
    const std::string_view command = valid ? datagram.substr(3, 2) : "";
    const bool isCommand = command == "C0" || command == "T0";
    const bool repeat = isCommand && command == last.command && last.quietTicks > 0;
    if (isCommand && !repeat) {
        last = {command, nodrel::kCommandRepeatsIgnoredMs / nodrel::kRefreshPeriodMs};
    }
    if (!valid) {
        Check(p.ConditionMet == before && p.CommsText == "Error");
        Check(program.Window().Counter.caption == "Connection Error");
    } else if (!repeat && (command == "C0" || (command == "T0" && couldTest))) {
        Check(p.Phase == nodrel::PhaseInitialise && p.CommsText == "....");
        Check(p.TestMode == (command == "T0"));
    } else {
        Check(p.ConditionMet == 0 && p.CommsText == "-OK-");
    }
}

constexpr std::string_view kKnown[] = {"<COA100>", "<COC000>", "<COT000>", "<C0A000>"};

}  // namespace

// The first bytes choose the settings, the switch and whether the port is free; then each
// byte is a step: 0x00-0x3F that many ticks plus one, 0x40-0x7F a known message, above
// that a datagram of up to 63 bytes from the input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnterScratchFolder();
    Input in(data, size);
    const Limits limits = WriteSettings(in);
    const std::uint8_t switches = in.Byte();
    QuietEffects effects;
    IdleCounters counters;
    FixedClock clock;
    NoPriority priority;
    AcceptingPower power;
    SilentLink link;
    link.bindWorks = (switches & 2) == 0;
    Nodrel program({effects, counters, clock, priority, &power, &link, "fuzz_link"});
    program.Form_Load((switches & 1) ? "-InhibitShutdown" : "");
    LastCommand last;
    while (!in.Empty() && !program.EndStatus()) {
        const std::uint8_t step = in.Byte();
        if (step < 0x40) {
            for (int tick = 0; tick <= step && !program.EndStatus(); ++tick) {
                program.tmrRefresh_Timer();
                if (last.quietTicks > 0) --last.quietTicks;
            }
        } else if (step < 0x80) {
            Deliver(program, kKnown[step % std::size(kKnown)], last);
        } else {
            Deliver(program, in.Bytes(step % 64), last);
        }
        if (!program.EndStatus()) CheckState(program, limits);
    }
    return 0;
}
