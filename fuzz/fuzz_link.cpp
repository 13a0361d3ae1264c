// Any sequence of datagrams and timer ticks fed to a slave. After each step: a datagram
// counted as alive exactly when it is a valid message (the rule's cases: tests/unit
// LinkMessage), and every part of the cycle's state lies in its range.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fakes.h"
#include "link/link_protocol.h"

namespace {

using nodrel::Nodrel;

void Check(bool holds) {
    if (!holds) __builtin_trap();
}

struct Limits {
    int startDelay, cpuDelay, shutTime, shutType;
};

// The settings of a slave, its numbers taken from the input.
nodrel::testing::Overrides SlaveSettings(FuzzedDataProvider& in, Limits& l) {
    l = {in.ConsumeIntegralInRange(1, 3), in.ConsumeIntegralInRange(5, 7),
         in.ConsumeIntegralInRange(2, 4), in.ConsumeIntegralInRange(1, 6)};
    return {{"CMain", "2"},
            {"IPAdd", "127.0.0.1"},
            {"StartDelay", std::to_string(l.startDelay)},
            {"CPUDelay", std::to_string(l.cpuDelay)},
            {"ShutTime", std::to_string(l.shutTime)},
            {"ShutType", std::to_string(l.shutType)},
            {"LogLevel", std::to_string(in.ConsumeIntegralInRange(1, 3))}};
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

// The command a slave acted on last, and the ticks during which its repeats are ignored.
struct LastCommand {
    std::string command;
    int quietTicks = 0;
};

// One datagram; a rule-abiding one counts the second as alive, any other leaves the count
// of the second as it was. Reset ("C0") and Test ("T0") then restart the cycle.
void Deliver(Nodrel& program, std::string_view datagram, LastCommand& last) {
    const nodrel::CycleState& p = program.State();
    const bool valid = nodrel::IsValidLinkMessage(datagram);
    const std::int16_t before = p.ConditionMet;
    const bool couldTest = !p.Unconfigured && !p.PortError;
    program.udpServ_DataArrival(datagram);
    if (program.EndStatus()) return;
    const std::string_view command = valid ? datagram.substr(3, 2) : "";
    const bool isCommand = command == "C0" || command == "T0";
    const bool repeat = isCommand && command == last.command && last.quietTicks > 0;
    if (isCommand && !repeat) {
        last = {std::string(command), nodrel::kCommandRepeatsIgnoredMs / nodrel::kRefreshPeriodMs};
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

// The input chooses the settings, the switch and whether the port is free, then the steps:
// 0x00-0x3F that many ticks plus one, 0x40-0x7F a known message, above that a datagram of
// up to 63 bytes from the input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Limits limits;
    const nodrel::testing::Overrides settings = SlaveSettings(in, limits);
    const auto switches = in.ConsumeIntegral<std::uint8_t>();
    using namespace nodrel::testing;
    static const ScratchFolder folder;  // the current directory from the first input on
    folder.WriteConfig(ConfigText(settings));
    WriteBytes("Log/Nodrel.log", "");  // the log stays small
    RecordingEffects effects;
    effects.answer = nodrel::box::kAnswerNo;
    ScriptedCounters counters;
    FixedClock clock;
    CountingPriority priority;
    RecordingPower power;
    RecordingLink link;
    link.bindWorks = (switches & 2) == 0;
    Nodrel program({effects, counters, clock, priority, &power, &link, "fuzz_link"});
    program.Form_Load((switches & 1) ? "-InhibitShutdown" : "");
    LastCommand last;
    while (in.remaining_bytes() > 0 && !program.EndStatus()) {
        const auto step = in.ConsumeIntegral<std::uint8_t>();
        if (step < 0x40) {
            for (int tick = 0; tick <= step && !program.EndStatus(); ++tick) {
                program.tmrRefresh_Timer();
                if (last.quietTicks > 0) --last.quietTicks;
            }
        } else if (step < 0x80) {
            Deliver(program, kKnown[step % std::size(kKnown)], last);
        } else {
            Deliver(program, in.ConsumeBytesAsString(step % 64), last);
        }
        if (!program.EndStatus()) CheckState(program, limits);
    }
    return 0;
}
