// The countdown and how each action ends it (a refused action: e2e/test_power_chain.py).
#include <gmock/gmock.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// Starts a master that enters its countdown (of two seconds unless told) after one
// activation second and the trigger delay's idle seconds; that last second shows the first
// countdown step.
::testing::AssertionResult StartAndTrigger(Rig& rig, Overrides overrides,
                                           const std::string& commandLine = "") {
    overrides.merge(Overrides{{"StartDelay", "1"}, {"CPUDelay", "5"}, {"ShutTime", "2"}});
    if (auto started = rig.Start(overrides, commandLine); !started) return started;
    rig.Seconds(1 + rig.State().TriggerDelay);
    return ::testing::AssertionResult(rig.State().Phase == PhaseCountdown) << "no countdown";
}

// What the logged-in users are told when a master's countdown of `seconds` starts.
std::string Notice(const std::string& verb, int seconds = 2) {
    return "Nodrel: this computer will " + verb + " in " + std::to_string(seconds) +
           " s (load below 20 % for 5 s). To cancel: sudo systemctl kill -s USR1 nodreld.";
}

std::vector<std::string> EventsFrom(const Rig& rig, const std::string& first) {
    const auto events = rig.folder.LogEvents();
    return {std::find(events.begin(), events.end(), first), events.end()};
}

// Each action's countdown, white on orange with only Cancel, its call, its notice to the
// logged-in users (none for Monitor, whatever the level) and its log lines at each level
// (none at all at level None); the second that starts it writes no Run line.
TEST(Countdown, EachActionCountsDownAndRunsOnce) {
    const struct {
        const char *type, *level, *name, *verb;
        std::string prefix;
        std::vector<PowerCall> calls;
        std::vector<std::string> events;
    } cases[] = {
        // clang-format off
        {"1", "3", "Power Off", "power off", "The Computer Will Power Off In ", {PowerCall::PowerOff},
         {"Enter|Run", "Run|", "Run|", "Run|", "Run|", "Enter|Power Off", "Power Off|",
          "Power Off|", "Start|Power Off", "Close|Power Off"}},
        {"2", "2", "Reboot", "reboot", "The Computer Will Reboot In ", {PowerCall::Reboot},
         {"Enter|Run", "Enter|Reboot", "Start|Reboot", "Close|Reboot"}},
        {"3", "2", "Shutdown", "halt", "The Computer Will Shutdown In ", {PowerCall::Halt},
         {"Enter|Run", "Enter|Shutdown", "Start|Shutdown", "Close|Shutdown"}},
        {"4", "2", "Monitor", nullptr, "Nodrel Will Close In ", {},
         {"Enter|Run", "Enter|Monitor", "Start|Monitor", "Close|Monitor"}},
        {"1", "1", "Power Off", "power off", "The Computer Will Power Off In ", {PowerCall::PowerOff}, {}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(
            rig, {{"ShutType", c.type}, {"LogLevel", c.level}, {"IPAdd", "192.168.1.20"}}));
        const MainWindow& w = rig.Window();
        EXPECT_EQ(w.Counter, (LabelState{c.prefix + "2s", kWhite, kOrange, true}));
        EXPECT_EQ(w.CPULoad, (LabelState{"", kWhite, kOrange, false}));
        EXPECT_EQ(w.Reset, (ButtonState{"Cancel", "Cancel Nodrel " + std::string(c.name), true}));
        for (const ButtonState* b : {&w.Config, &w.About, &w.TestS, &w.Exit}) {
            EXPECT_FALSE(b->enabled) << b->caption;
        }
        EXPECT_TRUE(w.topmost);
        EXPECT_THAT(rig.effects.events, Contains("close boxes")) << "none hides it";
        rig.Seconds(1);
        EXPECT_EQ(w.Counter.caption, c.prefix + "1s");
        rig.Seconds(1);
        EXPECT_EQ(w.Counter.caption, c.prefix + "0s");
        EXPECT_EQ(rig.power.calls, c.calls);
        EXPECT_EQ(rig.effects.ended, 0);
        EXPECT_EQ(rig.notice.texts,
                  c.verb ? std::vector{Notice(c.verb)} : std::vector<std::string>{});
        EXPECT_EQ(EventsFrom(rig, "Enter|Run"), c.events);
        if (c.events.empty()) {
            EXPECT_EQ(rig.folder.ReadLog(), "");
        }
    }
}

// Hibernate and standby reset the cycle before the call (which cancels nothing), and it
// carries on after the resume. Their log lines are checked end to end.
TEST(Countdown, SleepResetsFirstAndCarriesOnAfterTheResume) {
    for (const auto& [type, call, verb] : {std::tuple{"5", PowerCall::Hibernate, "hibernate"},
                                           std::tuple{"6", PowerCall::Suspend, "suspend"}}) {
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(rig, {{"ShutType", type}}));
        std::int16_t phaseDuringSleep = -1;
        rig.power.during = [&] { phaseDuringSleep = rig.State().Phase; };
        rig.Seconds(2);
        EXPECT_THAT(rig.power.calls, ElementsAre(call));
        EXPECT_THAT(rig.notice.texts, ElementsAre(Notice(verb)));
        EXPECT_EQ(phaseDuringSleep, PhaseInitialise);
        EXPECT_THAT(rig.link.sent, Not(Contains("<COC000>"))) << "left by its action";
        EXPECT_EQ(rig.State().Count, 1 + 1) << "StartDelay 1 from the file, plus one";
        EXPECT_TRUE(rig.Window().Exit.enabled);
        rig.Seconds(3);
        EXPECT_EQ(rig.State().Phase, PhaseRun);
    }
}

// Where an accepted power off may still not happen, the program waits for the session's
// end: it logs "Close" and ends when told, monitors again a minute after the call when not
// told, and Cancel stops the wait at once. A session ending at another time is an Exit.
TEST(Countdown, AcceptedActionWaitsAMinuteForTheSessionToEnd) {
    Rig rig(true);
    ASSERT_TRUE(StartAndTrigger(rig, {{"LogLevel", "2"}}));
    const std::string waiting = "Power Off requested: monitoring again in ";
    rig.Seconds(2);
    EXPECT_THAT(rig.power.calls, ElementsAre(PowerCall::PowerOff));
    EXPECT_EQ(rig.effects.ended, std::nullopt);
    EXPECT_EQ(rig.Window().Counter.caption, waiting + "60s");
    EXPECT_EQ(rig.Window().Reset, (ButtonState{"Cancel", "Cancel Nodrel Power Off", true}));
    rig.Seconds(59);
    EXPECT_EQ(rig.Window().Counter.caption, waiting + "1s");
    rig.Seconds(1);
    EXPECT_EQ(rig.State().Phase, PhaseInitialise);
    const std::string separator = "---------|----------";
    EXPECT_THAT(EventsFrom(rig, "Start|Power Off"),
                ElementsAre("Start|Power Off", "Start|Initialise", "Restart|Power Off", separator,
                            separator));
    rig.Seconds(1 + 5 + 2);  // the next quiet spell tries again
    EXPECT_EQ(rig.power.calls.size(), 2u);
    rig.program.Reset_Click();
    rig.Seconds(1 + 5);
    EXPECT_EQ(rig.Window().Counter.caption, "The Computer Will Power Off In 2s");
    rig.Seconds(2);
    rig.program.SessionEnding();
    EXPECT_EQ(rig.effects.ended, 0);
    EXPECT_THAT(Last(rig.folder.LogEvents(), 2), ElementsAre("Start|Power Off", "Close|Power Off"));

    Rig monitoring(true);
    ASSERT_TRUE(monitoring.Start({{"StartDelay", "1"}}));
    monitoring.Seconds(2);
    monitoring.program.SessionEnding();
    EXPECT_EQ(monitoring.effects.ended, 0);
    EXPECT_EQ(monitoring.folder.LogEvents().back(), "Exit|Run");
}

// Exit during the countdown (SIGTERM, the window closed), or a stop request while the action
// waits for the system's answer or the resume, logs "Exit" with the phase and no "Close".
// Exit before the action says it is cancelled and forwards a Reset to a slave that may be
// counting down too: all four sends before it ends.
TEST(Countdown, ExitOrAStopDuringTheActionEndsAsExitDoes) {
    const std::tuple<const char*, bool, std::vector<std::string>> cases[] = {
        {"1", false, {"Enter|Power Off", "Exit|Power Off"}},
        {"1", true, {"Enter|Power Off", "Start|Power Off", "Exit|Power Off"}},
        {"5", true, {"Enter|Hibernate", "Start|Hibernate", "Start|Initialise", "Exit|Initialise"}}};
    for (const auto& [type, duringCall, events] : cases) {
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(rig, {{"ShutType", type}, {"LogLevel", "2"}}));
        rig.power.outcome.kind = PowerOutcome::Kind::Stopped;
        if (!duringCall) rig.program.Form_Unload();
        rig.Seconds(3);
        EXPECT_EQ(rig.power.calls.size(), duringCall ? 1u : 0u);
        EXPECT_EQ(rig.effects.ended, 0);
        EXPECT_EQ(EventsFrom(rig, events.front()), events);
        if (duringCall) continue;
        const std::string reset = "<COC000>";
        EXPECT_THAT(Last(rig.link.sent, 5), ElementsAre("<COA100>", reset, reset, reset, reset));
        EXPECT_EQ(rig.notice.texts.back(), "Nodrel: power off cancelled.");
    }
}

// Cancel on any step, a reload (SIGHUP) or a test (SIGUSR2) in the countdown stops it before
// the action, whatever the new settings say: the cycle starts again with the Reset button
// back, a Reset goes to a slave at once and the logged-in users are told. Only Cancel sends
// the window back to the tray (StartMin).
TEST(Countdown, CancelReloadOrTestInTheCountdownRestoresTheResetButtonAndTellsTheSlave) {
    for (const std::string way : {"Cancel 0", "Cancel 1", "Cancel 2", "Reload", "Test"}) {
        SCOPED_TRACE(way);
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(rig, {{"ShutTime", "3"}, {"StartMin", "2"}}));
        ASSERT_EQ(rig.Window().Reset.caption, "Cancel");
        rig.folder.WriteConfig(ConfigText({{"ShutType", "2"}}));
        const bool cancel = way.starts_with("Cancel");
        if (cancel) rig.Seconds(way.back() - '0');
        const auto sent = rig.link.sent.size();
        if (cancel) rig.program.Reset_Click();
        if (way == "Reload") rig.program.ReloadSettings();
        if (way == "Test") rig.program.TestS_Click();
        EXPECT_EQ(rig.State().Phase, PhaseInitialise);
        EXPECT_EQ(rig.Window().Reset, (ButtonState{"Reset", "Reset Nodrel", true}));
        EXPECT_EQ(rig.link.sent.at(sent), "<COC000>");
        EXPECT_THAT(rig.notice.texts,
                    ElementsAre(Notice("power off", 3), "Nodrel: power off cancelled."));
        EXPECT_EQ(rig.Window().minimised, cancel);
        EXPECT_THAT(rig.folder.LogEvents(), Contains("Reset|Power Off").Times(cancel ? 1 : 0));
        rig.Seconds(3);
        EXPECT_THAT(rig.power.calls, IsEmpty());
    }
}

// -InhibitShutdown shortens both delays to six seconds in memory and only simulates the
// action, untold: power off ends the program, hibernate and standby reset it (ticks under the
// box: Link.MasterSendsInEveryPhaseButItsRealCountdown).
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
        rig.Seconds(6);
        EXPECT_THAT(rig.power.calls, IsEmpty());
        EXPECT_THAT(rig.notice.texts, IsEmpty());
        EXPECT_THAT(
            rig.effects.messages,
            ElementsAre(ShownMessage{box::kPlain, "Nodrel Simulate " + name, "Test Real " + name}));
        EXPECT_EQ(EventsFrom(rig, name + "|Simulate"), events);
        EXPECT_EQ(rig.effects.ended, name == "Power Off" ? std::optional(0) : std::nullopt);
        EXPECT_EQ(rig.State().settings.ShutTime, 6) << "still six after the reset";
        EXPECT_FALSE(rig.Window().minimised);
    }
}

// Test runs a short chain (two-second activation, trigger delay 5) that ends in a box and
// a reset, never an action or a notice; a reset during it carries the test marker.
TEST(Commands, TestRunsTheShortChainAndEndsWithItsMessage) {
    Rig rig;
    ASSERT_TRUE(rig.Start(
        {{"StartDelay", "20"}, {"CPUDelay", "600"}, {"LogLevel", "2"}, {"StartMin", "2"}}));
    rig.program.TestS_Click();
    EXPECT_EQ(rig.Window().caption, "Nodrel - Test Mode");
    EXPECT_EQ(rig.Window().Counter.caption, "Program Activation In 2s");
    EXPECT_THAT(rig.link.sent, ElementsAre("<COT000>")) << "forwarded at once";
    rig.Seconds(3);
    rig.program.Reset_Click();
    EXPECT_FALSE(rig.State().TestMode);
    EXPECT_EQ(rig.Window().caption, "Nodrel");
    rig.program.TestS_Click();
    rig.Seconds(7);
    EXPECT_THAT(rig.effects.messages,
                ElementsAre(ShownMessage{box::kPlain, "Nodrel Test", "Test Power Off"}));
    EXPECT_THAT(rig.power.calls, IsEmpty());
    EXPECT_THAT(rig.notice.texts, IsEmpty());
    EXPECT_EQ(rig.State().Phase, PhaseInitialise);
    EXPECT_FALSE(rig.State().TestMode);
    EXPECT_EQ(rig.Window().caption, "Nodrel");
    EXPECT_THAT(rig.folder.LogEvents(),
                ElementsAre("Start|Initialise", "*Enter|Test", "*Start|Initialise", "*Enter|Run",
                            "*Reset|Run", "Start|Initialise", "*Enter|Test", "*Start|Initialise",
                            "*Enter|Run", "*Simulate|Power Off", "Start|Initialise"));
}

}  // namespace
}  // namespace nodrel::testing
