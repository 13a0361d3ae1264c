// The countdown and how each action ends it (a refused action: e2e/test_power_chain.py).
#include <gmock/gmock.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Starts a master that enters its countdown after one activation second and the trigger
// delay's idle seconds; that last second shows the first countdown step.
::testing::AssertionResult StartAndTrigger(Rig& rig, Overrides overrides,
                                           const std::string& commandLine = "") {
    overrides.merge(Overrides{{"StartDelay", "1"}, {"CPUDelay", "5"}});
    if (auto started = rig.Start(overrides, commandLine); !started) return started;
    rig.Seconds(1 + rig.program.TriggerDelay);
    return ::testing::AssertionResult(rig.program.Phase == PhaseCountdown) << "no countdown";
}

std::vector<std::string> EventsFrom(const Rig& rig, const std::string& first) {
    const auto events = rig.folder.LogEvents();
    return {std::find(events.begin(), events.end(), first), events.end()};
}

// Each action's countdown, white on orange with only Cancel, its call and its log lines at
// each level (none at all at level None); the second that starts it writes no Run line.
TEST(Countdown, EachActionCountsDownAndRunsOnce) {
    const struct {
        const char *type, *level, *name;
        std::string prefix;
        std::vector<PowerCall> calls;
        std::vector<std::string> events;
    } cases[] = {
        // clang-format off
        {"1", "3", "Power Off", "The Computer Will Power Off In ", {PowerCall::PowerOff},
         {"Enter|Run", "Run|", "Run|", "Run|", "Run|", "Enter|Power Off", "Power Off|",
          "Power Off|", "Start|Power Off", "Close|Power Off"}},
        {"2", "2", "Reboot", "The Computer Will Reboot In ", {PowerCall::Reboot},
         {"Enter|Run", "Enter|Reboot", "Start|Reboot", "Close|Reboot"}},
        {"3", "2", "Shutdown", "The Computer Will Shutdown In ", {PowerCall::Halt},
         {"Enter|Run", "Enter|Shutdown", "Start|Shutdown", "Close|Shutdown"}},
        {"4", "2", "Monitor", "Nodrel Will Close In ", {},
         {"Enter|Run", "Enter|Monitor", "Start|Monitor", "Close|Monitor"}},
        {"1", "1", "Power Off", "The Computer Will Power Off In ", {PowerCall::PowerOff}, {}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(rig, {{"ShutTime", "2"},
                                          {"ShutType", c.type},
                                          {"LogLevel", c.level},
                                          {"IPAdd", "192.168.1.20"}}));
        const MainWindow& w = rig.Window();
        EXPECT_EQ(w.Counter, (LabelState{c.prefix + "2s", White, Orange, true}));
        EXPECT_EQ(w.CPULoad, (LabelState{"", White, Orange, false}));
        EXPECT_EQ(w.Reset, (ButtonState{"Cancel", "Cancel Nodrel " + std::string(c.name), true}));
        for (const ButtonState* b : {&w.Config, &w.About, &w.TestS, &w.Exit}) {
            EXPECT_FALSE(b->enabled) << b->caption;
        }
        EXPECT_TRUE(w.topmost);
        rig.Seconds(1);
        EXPECT_EQ(w.Counter.caption, c.prefix + "1s");
        rig.Seconds(1);
        EXPECT_EQ(w.Counter.caption, c.prefix + "0s");
        EXPECT_EQ(rig.power.calls, c.calls);
        EXPECT_EQ(rig.effects.ended, 0);
        EXPECT_EQ(EventsFrom(rig, "Enter|Run"), c.events);
        if (c.events.empty()) {
            EXPECT_EQ(rig.folder.ReadLog(), "");
        }
    }
}

// Hibernate and standby reset the cycle before the call, and it carries on after the
// resume. Their log lines are checked end to end.
TEST(Countdown, SleepResetsFirstAndCarriesOnAfterTheResume) {
    for (const auto& [type, call] :
         {std::pair{"5", PowerCall::Hibernate}, std::pair{"6", PowerCall::Suspend}}) {
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(rig, {{"ShutTime", "2"}, {"ShutType", type}}));
        std::int16_t phaseDuringSleep = -1;
        rig.power.during = [&] { phaseDuringSleep = rig.program.Phase; };
        rig.Seconds(2);
        EXPECT_THAT(rig.power.calls, ElementsAre(call));
        EXPECT_EQ(phaseDuringSleep, PhaseInitialise);
        EXPECT_EQ(rig.program.Count, 1 + 1) << "StartDelay 1 from the file, plus one";
        EXPECT_TRUE(rig.Window().Exit.enabled);
        rig.Seconds(3);
        EXPECT_EQ(rig.program.Phase, PhaseRun);
    }
}

// Cancel on any step stops the countdown before the action and is forwarded to a slave at
// once; the master is silent during its countdown.
TEST(Countdown, CancelOnAnyStepStopsBeforeTheAction) {
    for (int step = 0; step < 3; ++step) {
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(rig, {{"ShutTime", "3"}}));
        const auto sent = rig.link.sent.size();
        rig.Seconds(step);
        EXPECT_EQ(rig.link.sent.size(), sent);
        rig.program.Reset_Click();
        EXPECT_EQ(rig.link.sent.back(), "<COC000>");
        rig.Seconds(3);
        EXPECT_THAT(rig.power.calls, IsEmpty()) << step;
        EXPECT_EQ(rig.Window().Reset.caption, "Reset");
        EXPECT_THAT(rig.folder.LogEvents(), Contains("Reset|Power Off"));
    }
}

// Exit during the countdown (SIGTERM, the window closed), or a stop request while the action
// waits for the system's answer or the resume, logs "Exit" with the phase and no "Close".
TEST(Countdown, ExitOrAStopDuringTheActionEndsAsExitDoes) {
    const std::tuple<const char*, bool, std::vector<std::string>> cases[] = {
        {"1", false, {"Enter|Power Off", "Exit|Power Off"}},
        {"1", true, {"Enter|Power Off", "Start|Power Off", "Exit|Power Off"}},
        {"5", true, {"Enter|Hibernate", "Start|Hibernate", "Start|Initialise", "Exit|Initialise"}}};
    for (const auto& [type, duringCall, events] : cases) {
        Rig rig;
        ASSERT_TRUE(
            StartAndTrigger(rig, {{"ShutTime", "2"}, {"ShutType", type}, {"LogLevel", "2"}}));
        rig.power.outcome.kind = PowerOutcome::Kind::Stopped;
        if (!duringCall) rig.program.Form_Unload();
        rig.Seconds(3);
        EXPECT_EQ(rig.power.calls.size(), duringCall ? 1u : 0u);
        EXPECT_EQ(rig.effects.ended, 0);
        EXPECT_EQ(EventsFrom(rig, events.front()), events);
    }
}

// A reload (SIGHUP) in the countdown starts the cycle again with the Reset button back.
TEST(Countdown, ReloadInTheCountdownRestoresTheResetButton) {
    Rig rig;
    ASSERT_TRUE(StartAndTrigger(rig, {{"ShutTime", "3"}}));
    ASSERT_EQ(rig.Window().Reset.caption, "Cancel");
    rig.program.ReloadSettings();
    EXPECT_EQ(rig.program.Phase, PhaseInitialise);
    EXPECT_EQ(rig.Window().Reset, (ButtonState{"Reset", "Reset Nodrel", true}));
}

// -InhibitShutdown shortens both delays to six seconds in memory and only simulates the
// action: power off ends the program, hibernate and standby reset it. Ticks that arrive
// while the box runs the event loop start no other step.
TEST(Countdown, SimulatedActionShowsItsBoxOnce) {
    const std::string separator = "---------|----------";
    const std::tuple<const char*, std::string, std::vector<std::string>> cases[] = {
        {"1", "Power Off", {"Power Off|Simulate", "Close|Power Off"}},
        {"5",
         "Hibernate",
         {"Hibernate|Simulate", "Start|Initialise", "Restart|Hibernate", separator, separator}}};
    for (const auto& [type, name, events] : cases) {
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(
            rig, {{"CPUDelay", "600"}, {"ShutTime", "300"}, {"ShutType", type}, {"LogLevel", "2"}},
            "-InhibitShutdown -AllowMulti"));
        EXPECT_EQ(rig.Window().Counter.caption, "The Computer Will " + name + " In 6s");
        rig.effects.whileShown = [&] {
            for (int i = 0; i < 6; ++i) rig.program.tmrRefresh_Timer();
        };
        rig.Seconds(6);
        EXPECT_THAT(rig.power.calls, IsEmpty());
        EXPECT_THAT(
            rig.effects.messages,
            ElementsAre(ShownMessage{box::Plain, "Nodrel Simulate " + name, "Test Real " + name}));
        EXPECT_EQ(EventsFrom(rig, name + "|Simulate"), events);
        EXPECT_EQ(rig.effects.ended, name == "Power Off" ? std::optional(0) : std::nullopt);
        EXPECT_EQ(rig.program.settings.ShutTime, 6) << "still six after the reset";
        EXPECT_FALSE(rig.Window().minimised);
    }
}

// Test runs a short chain (two-second activation, trigger delay 5) that ends in a box and
// a reset, never an action; a reset during it carries the test marker.
TEST(Commands, TestRunsTheShortChainAndEndsWithItsMessage) {
    for (const bool resetEarly : {false, true}) {
        Rig rig;
        ASSERT_TRUE(rig.Start(
            {{"StartDelay", "20"}, {"CPUDelay", "600"}, {"LogLevel", "2"}, {"StartMin", "2"}}));
        rig.program.TrayDoubleClick();
        rig.program.WindowOverride = false;  // back from the tray, yet still wanting it
        rig.program.TestS_Click();
        EXPECT_EQ(rig.Window().caption, "Nodrel - Test Mode");
        EXPECT_EQ(rig.Window().Counter.caption, "Program Activation In 2s");
        EXPECT_THAT(rig.link.sent, ElementsAre("<COT000>")) << "forwarded at once";
        rig.Seconds(3);
        if (resetEarly) {
            rig.program.Reset_Click();
            EXPECT_THAT(Last(rig.folder.LogEvents(), 2),
                        ElementsAre("*Reset|Run", "Start|Initialise"));
            EXPECT_EQ(rig.link.sent.back(), "<COC000>");
        } else {
            rig.Seconds(4);
            EXPECT_THAT(rig.effects.messages,
                        ElementsAre(ShownMessage{box::Plain, "Nodrel Test", "Test Power Off"}));
            EXPECT_THAT(rig.power.calls, IsEmpty());
            EXPECT_EQ(rig.program.Phase, PhaseInitialise);
            EXPECT_FALSE(rig.Window().minimised) << "a test never sends the window away";
            EXPECT_THAT(rig.folder.LogEvents(),
                        ElementsAre("Start|Initialise", "*Enter|Test", "*Start|Initialise",
                                    "*Enter|Run", "*Simulate|Power Off", "Start|Initialise"));
        }
        EXPECT_FALSE(rig.program.TestMode);
        EXPECT_EQ(rig.Window().caption, "Nodrel");
    }
}

}  // namespace
}  // namespace nodrel::testing
