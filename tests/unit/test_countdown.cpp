// The countdown once the trigger has held: what the window shows each second, the log at
// each level, and how each action ends it, for real, simulated, cancelled or as a test.
#include <gmock/gmock.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
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
// each level, down to the end of the program.
TEST(Countdown, EachActionCountsDownAndRunsOnce) {
    const struct {
        const char *type, *level, *name;
        std::string prefix;
        std::vector<PowerCall> calls;
        std::vector<std::string> events;
    } cases[] = {
        {"1", "3", "Power Off", "The Computer Will Power Off In ", {PowerCall::PowerOff},
         {"Enter|Power Off", "Power Off|", "Power Off|", "Start|Power Off", "Close|Power Off"}},
        {"2", "2", "Reboot", "The Computer Will Reboot In ", {PowerCall::Reboot},
         {"Enter|Reboot", "Start|Reboot", "Close|Reboot"}},
        {"3", "2", "Shutdown", "The Computer Will Shutdown In ", {PowerCall::Halt},
         {"Enter|Shutdown", "Start|Shutdown", "Close|Shutdown"}},
        {"4", "2", "Monitor", "Nodrel Will Close In ", {},
         {"Enter|Monitor", "Start|Monitor", "Close|Monitor"}},
        {"1", "1", "Power Off", "The Computer Will Power Off In ", {PowerCall::PowerOff}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefix + "level " + c.level);
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(rig, {{"ShutTime", "2"}, {"ShutType", c.type},
                                          {"LogLevel", c.level}, {"IPAdd", "192.168.1.20"}}));
        const MainWindow& w = rig.Window();
        EXPECT_EQ(w.Counter, (LabelState{c.prefix + "2s", White, Orange, true}));
        EXPECT_EQ(w.CPULoad, (LabelState{"", White, Orange, false}));
        EXPECT_EQ(w.Reset, (ButtonState{"Cancel", "Cancel Nodrel " + std::string(c.name), true}));
        for (const ButtonState* b : {&w.Config, &w.About, &w.TestS, &w.Exit}) {
            EXPECT_FALSE(b->enabled) << b->caption;
        }
        EXPECT_TRUE(w.topmost) << "a countdown keeps the window on top";
        std::vector<std::string> captions{w.Counter.caption};
        for (int second = 0; second < 2; ++second) {
            EXPECT_THAT(rig.power.calls, IsEmpty());
            rig.Seconds(1);
            captions.push_back(w.Counter.caption);
        }
        EXPECT_THAT(captions, ElementsAre(c.prefix + "2s", c.prefix + "1s", c.prefix + "0s"));
        EXPECT_EQ(rig.power.calls, c.calls);
        EXPECT_EQ(rig.effects.ended, 0);
        EXPECT_EQ(EventsFrom(rig, "Enter|" + std::string(c.name)), c.events);
        EXPECT_EQ(rig.folder.ReadLog().empty(), c.events.empty()) << "no log at level None";
    }
}

// Hibernate and standby reset the cycle first, and it carries on after the resume.
TEST(Countdown, SleepResetsFirstAndCarriesOnAfterTheResume) {
    const std::tuple<const char*, PowerCall, std::string> sleeps[] = {
        {"5", PowerCall::Hibernate, "Hibernate"}, {"6", PowerCall::Suspend, "Standby"}};
    for (const auto& [type, call, name] : sleeps) {
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(rig, {{"ShutTime", "2"}, {"ShutType", type}}));
        EXPECT_EQ(rig.Window().Counter.caption, "The Computer Will " + name + " In 2s");
        std::int16_t phaseDuringSleep = -1;
        rig.power.during = [&] { phaseDuringSleep = rig.program.Phase; };
        rig.Seconds(2);
        EXPECT_THAT(rig.power.calls, ElementsAre(call));
        EXPECT_EQ(phaseDuringSleep, PhaseInitialise) << "the cycle was reset before sleeping";
        EXPECT_EQ(rig.program.Count, 1 + 1) << "StartDelay 1 from the file, plus one";
        EXPECT_EQ(rig.Window().Reset, (ButtonState{"Reset", "Reset Nodrel", true}));
        EXPECT_TRUE(rig.Window().Exit.enabled);
        EXPECT_THAT(EventsFrom(rig, "Start|" + name),
                    ElementsAre("Start|" + name, "Start|Initialise", "Restart|" + name,
                                "---------|----------", "---------|----------"))
            << "the separator loses its last dash to the marker column";
        rig.Seconds(3);
        EXPECT_EQ(rig.program.Phase, PhaseRun);
    }
}

TEST(Countdown, RefusedActionShowsTheErrorAndEnds) {
    Rig rig;
    rig.power.outcome = {PowerOutcome::Kind::NotAuthorised, "Interactive authentication required."};
    ASSERT_TRUE(StartAndTrigger(rig, {{"ShutTime", "2"}}));
    rig.Seconds(2);
    EXPECT_THAT(rig.effects.messages,
                ElementsAre(ShownMessage{
                    box::Critical, "Nodrel Error",
                    "Error Number: 0x8004062E\r\nSource: nodreld.mShutDown\r\nError description: "
                    "Can't enable shutdown: You do not have the privileges to shutdown this "
                    "system. [Interactive authentication required.]\r\nThe program will now "
                    "terminate."}));
    EXPECT_EQ(rig.effects.ended, 1);
    EXPECT_EQ(rig.folder.LogEvents().back(), "Start|Power Off") << "nothing logged for the failure";
}

TEST(Countdown, CancelOnAnyStepStopsBeforeTheAction) {
    for (int step = 0; step < 3; ++step) {
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(rig, {{"ShutTime", "3"}}));
        rig.Seconds(step);
        rig.program.Reset_Click();
        rig.Seconds(3);
        EXPECT_THAT(rig.power.calls, IsEmpty()) << step;
        EXPECT_EQ(rig.Window().Reset.caption, "Reset");
        EXPECT_TRUE(rig.Window().Config.enabled);
        EXPECT_THAT(rig.link.sent, Contains("<COC000>")) << "the reset is forwarded to a slave";
        EXPECT_THAT(rig.folder.LogEvents(), Contains("Reset|Power Off"));
    }
}

// -InhibitShutdown shortens both delays to six seconds in memory and only simulates the
// action: power off ends the program, hibernate and standby reset it and it keeps running.
// The box runs the event loop in some front ends; no tick may start another step then.
TEST(Countdown, SimulatedActionShowsItsBoxOnce) {
    const std::string separator = "---------|----------";
    const std::tuple<const char*, std::string, std::vector<std::string>> cases[] = {
        {"1", "Power Off", {"Power Off|Simulate", "Close|Power Off"}},
        {"5", "Hibernate",
         {"Hibernate|Simulate", "Start|Initialise", "Restart|Hibernate", separator, separator}},
        {"6", "Standby",
         {"Standby|Simulate", "Start|Initialise", "Restart|Standby", separator, separator}}};
    for (const auto& [type, name, events] : cases) {
        Rig rig;
        ASSERT_TRUE(StartAndTrigger(rig, {{"CPUDelay", "600"}, {"ShutTime", "300"},
                                          {"ShutType", type}, {"LogLevel", "2"}},
                                    "-InhibitShutdown -AllowMulti"));
        EXPECT_THAT(rig.Window().Title.caption, HasSubstr("for over 6 sec"));
        EXPECT_EQ(rig.Window().Counter.caption, "The Computer Will " + name + " In 6s");
        int ticksWhileShown = 0;
        rig.effects.whileShown = [&] {
            for (int i = 0; i < 6; ++i, ++ticksWhileShown) rig.program.tmrRefresh_Timer();
        };
        rig.Seconds(6);
        EXPECT_EQ(ticksWhileShown, 6);
        EXPECT_THAT(rig.power.calls, IsEmpty());
        const ShownMessage box{box::Plain, "Nodrel Simulate " + name, "Test Real " + name};
        EXPECT_THAT(rig.effects.messages, ElementsAre(box));
        EXPECT_EQ(EventsFrom(rig, name + "|Simulate"), events);
        EXPECT_EQ(rig.effects.ended, name == "Power Off" ? std::optional(0) : std::nullopt);
        EXPECT_EQ(rig.program.settings.ShutTime, 6) << "still six after the reset";
        EXPECT_FALSE(rig.Window().minimised) << "a simulated reset never sends the window away";
    }
}

// Test: a shortened run of the whole chain that ends in a message.
TEST(Commands, TestRunsTheShortChainAndEndsWithItsMessageNeverMinimised) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "20"}, {"CPUDelay", "600"}, {"LogLevel", "2"},
                           {"StartMin", "2"}}));
    rig.program.RestoreWindow();
    rig.program.TestS_Click();
    EXPECT_TRUE(rig.program.TestMode);
    EXPECT_EQ(rig.Window().caption, "Nodrel - Test Mode");
    EXPECT_EQ(rig.Window().Title.caption,
              "Power Off the computer if CPU load is below 20% for over 5 sec");
    EXPECT_EQ(rig.Window().Counter.caption, "Program Activation In 2s");
    EXPECT_THAT(rig.link.sent, ElementsAre("<COT000>")) << "forwarded at once";
    rig.Seconds(2);
    EXPECT_EQ(rig.program.Phase, PhaseRun) << "the test's activation lasts two work ticks";
    rig.Seconds(5);
    EXPECT_THAT(rig.effects.messages,
                ElementsAre(ShownMessage{box::Plain, "Nodrel Test", "Test Power Off"}));
    EXPECT_THAT(rig.power.calls, IsEmpty());
    EXPECT_FALSE(rig.program.TestMode);
    EXPECT_EQ(rig.program.Phase, PhaseInitialise);
    EXPECT_FALSE(rig.Window().minimised);
    EXPECT_EQ(rig.Window().caption, "Nodrel");
    EXPECT_EQ(rig.Window().Title.caption,
              "Power Off the computer if CPU load is below 20% for over 600 sec");
    EXPECT_THAT(rig.folder.LogEvents(),
                ElementsAre("Start|Initialise", "*Enter|Test", "*Start|Initialise", "*Enter|Run",
                            "*Simulate|Power Off", "Start|Initialise"));
}

TEST(Commands, ResetDuringATestCarriesTheMarker) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "20"}, {"CPUDelay", "600"}, {"LogLevel", "2"}}));
    rig.program.TestS_Click();
    rig.Seconds(3);
    rig.program.Reset_Click();
    EXPECT_FALSE(rig.program.TestMode);
    EXPECT_THAT(Last(rig.folder.LogEvents(), 2),
                ElementsAre("*Reset|Run", "Start|Initialise"));
    EXPECT_EQ(rig.Window().caption, "Nodrel");
    EXPECT_EQ(rig.link.sent.back(), "<COC000>");
}

}  // namespace
}  // namespace nodrel::testing
