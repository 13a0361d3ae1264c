// The countdown once the trigger has held: what the window shows each second, the log at
// each level, and how each action ends it, for real, simulated or cancelled.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Countdown : public ::testing::Test {
protected:
    // Starts a master that enters its countdown after one activation second and the
    // trigger delay's idle seconds; that last second shows the first countdown step.
    void StartAndTrigger(Overrides overrides, const std::string& commandLine = "") {
        overrides.emplace("StartDelay", "1");
        overrides.emplace("CPUDelay", "5");
        folder.WriteConfig(ConfigText(overrides));
        rig.program.Form_Load(commandLine);
        ASSERT_FALSE(rig.effects.ended);
        rig.Seconds(1 + rig.program.TriggerDelay);
        ASSERT_EQ(rig.program.Phase, PhaseCountdown);
    }
    const MainWindow& Window() const { return rig.program.Window(); }
    std::vector<std::string> EventsFrom(const std::string& first) const {
        auto events = folder.LogEvents();
        auto at = std::find(events.begin(), events.end(), first);
        return {at, events.end()};
    }

    ScratchFolder folder;
    Rig rig;
};

TEST_F(Countdown, ShowsTheSecondsLeftWhiteOnOrangeWithOnlyCancel) {
    StartAndTrigger({{"ShutTime", "10"}, {"ShutType", "2"}});
    EXPECT_EQ(Window().Counter, (LabelState{"The Computer Will Reboot In 10s", White, Orange,
                                            true}));
    EXPECT_EQ(Window().CPULoad.caption, "");
    EXPECT_EQ(Window().CPULoad.back, Orange);
    EXPECT_EQ(Window().Reset, (ButtonState{"Cancel", "Cancel Nodrel Reboot", true}));
    for (const ButtonState* b : {&Window().Config, &Window().About, &Window().TestS,
                                 &Window().Exit}) {
        EXPECT_FALSE(b->enabled) << b->caption;
    }
    EXPECT_TRUE(Window().topmost) << "a countdown keeps the window on top";
    rig.Seconds(3);
    EXPECT_EQ(Window().Counter.caption, "The Computer Will Reboot In 7s");
}

TEST_F(Countdown, EachActionHasItsPrefix) {
    const std::pair<const char*, const char*> prefixes[] = {
        {"1", "The Computer Will Power Off In 9s"}, {"3", "The Computer Will Shutdown In 9s"},
        {"4", "Nodrel Will Close In 9s"},           {"5", "The Computer Will Hibernate In 9s"},
        {"6", "The Computer Will Standby In 9s"}};
    for (const auto& [type, caption] : prefixes) {
        ScratchFolder own;
        Rig local;
        own.WriteConfig(ConfigText({{"StartDelay", "1"}, {"CPUDelay", "5"}, {"ShutTime", "9"},
                                    {"ShutType", type}, {"IPAdd", "192.168.1.20"}}));
        local.program.Form_Load("");
        local.Seconds(6);
        EXPECT_EQ(local.program.Window().Counter.caption, caption);
    }
}

TEST_F(Countdown, ShortestCountdownShowsThreeStepsThenPowersOff) {
    StartAndTrigger({{"ShutTime", "2"}, {"LogLevel", "3"}});
    std::vector<std::string> captions{Window().Counter.caption};
    rig.Seconds(1);
    captions.push_back(Window().Counter.caption);
    EXPECT_THAT(rig.power.calls, IsEmpty());
    rig.Seconds(1);
    captions.push_back(Window().Counter.caption);
    EXPECT_THAT(captions, ElementsAre("The Computer Will Power Off In 2s",
                                      "The Computer Will Power Off In 1s",
                                      "The Computer Will Power Off In 0s"));
    EXPECT_THAT(rig.power.calls, ElementsAre(PowerCall::PowerOff));
    EXPECT_EQ(rig.effects.ended, 0);
    EXPECT_THAT(EventsFrom("Enter|Power Off"),
                ElementsAre("Enter|Power Off", "Power Off|", "Power Off|", "Start|Power Off",
                            "Close|Power Off"));
}

TEST_F(Countdown, NormalLevelLogsOnlyTheMilestonesAndNoneLogsNothing) {
    StartAndTrigger({{"ShutTime", "3"}, {"LogLevel", "2"}, {"ShutType", "3"}});
    rig.Seconds(3);
    EXPECT_THAT(EventsFrom("Enter|Shutdown"),
                ElementsAre("Enter|Shutdown", "Start|Shutdown", "Close|Shutdown"));
    EXPECT_THAT(rig.power.calls, ElementsAre(PowerCall::Halt));

    ScratchFolder quiet;
    Rig silent;
    quiet.WriteConfig(ConfigText(
        {{"StartDelay", "1"}, {"CPUDelay", "5"}, {"ShutTime", "2"}, {"LogLevel", "1"}}));
    silent.program.Form_Load("");
    silent.Seconds(9);
    EXPECT_EQ(silent.effects.ended, 0);
    EXPECT_FALSE(std::filesystem::exists(quiet.Path() / "Log" / "Nodrel.log"));
}

TEST_F(Countdown, MonitorClosesWithoutAnySystemCall) {
    StartAndTrigger({{"ShutTime", "2"}, {"ShutType", "4"}, {"IPAdd", "192.168.1.20"}});
    rig.Seconds(2);
    EXPECT_THAT(rig.power.calls, IsEmpty());
    EXPECT_EQ(rig.effects.ended, 0);
    EXPECT_EQ(folder.LogEvents().back(), "Close|Monitor");
}

TEST_F(Countdown, HibernateResetsFirstAndCarriesOnAfterTheResume) {
    StartAndTrigger({{"ShutTime", "2"}, {"ShutType", "5"}});
    std::int16_t phaseDuringSleep = -1;
    rig.power.during = [&] { phaseDuringSleep = rig.program.Phase; };
    rig.Seconds(2);
    EXPECT_THAT(rig.power.calls, ElementsAre(PowerCall::Hibernate));
    EXPECT_EQ(phaseDuringSleep, PhaseInitialise) << "the cycle was reset before sleeping";
    EXPECT_FALSE(rig.effects.ended);
    EXPECT_EQ(rig.program.Phase, PhaseInitialise);
    EXPECT_EQ(rig.program.Count, 1 + 1) << "StartDelay 1 from the file, plus one";
    EXPECT_EQ(Window().Reset, (ButtonState{"Reset", "Reset Nodrel", true}));
    EXPECT_TRUE(Window().Exit.enabled);
    const auto events = EventsFrom("Start|Hibernate");
    EXPECT_THAT(events, ElementsAre("Start|Hibernate", "Start|Initialise", "Restart|Hibernate",
                                    "---------|----------", "---------|----------"));
    EXPECT_NE(folder.ReadLog().find(",  ---------, ----------, Count:"), std::string::npos)
        << "the separator loses its last dash to the marker column";
}

TEST_F(Countdown, StandbySuspendsAndCarriesOn) {
    StartAndTrigger({{"ShutTime", "2"}, {"ShutType", "6"}});
    rig.Seconds(2);
    EXPECT_THAT(rig.power.calls, ElementsAre(PowerCall::Suspend));
    EXPECT_EQ(rig.program.Phase, PhaseInitialise);
    rig.Seconds(3);
    EXPECT_EQ(rig.program.Phase, PhaseRun);
}

TEST_F(Countdown, RefusedActionShowsTheErrorAndEnds) {
    rig.power.outcome = {PowerOutcome::Kind::NotAuthorised, "Interactive authentication required."};
    StartAndTrigger({{"ShutTime", "2"}});
    rig.Seconds(2);
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_EQ(rig.effects.messages[0].style, box::Critical);
    EXPECT_EQ(rig.effects.messages[0].title, "Nodrel Error");
    EXPECT_EQ(rig.effects.messages[0].text,
              "Error Number: 0x8004062E\r\nSource: nodreld.mShutDown\r\n"
              "Error description: Can't enable shutdown: You do not have the privileges to "
              "shutdown this system. [Interactive authentication required.]\r\n"
              "The program will now terminate.");
    EXPECT_EQ(rig.effects.ended, 1);
    EXPECT_EQ(folder.LogEvents().back(), "Start|Power Off") << "nothing logged for the failure";
}

TEST_F(Countdown, CancelOnAnyStepStopsBeforeTheAction) {
    for (int step = 0; step < 3; ++step) {
        ScratchFolder own;
        Rig local;
        own.WriteConfig(ConfigText({{"StartDelay", "1"}, {"CPUDelay", "5"}, {"ShutTime", "3"}}));
        local.program.Form_Load("");
        local.Seconds(6 + step);
        ASSERT_EQ(local.program.Phase, PhaseCountdown) << step;
        local.program.Reset_Click();
        local.Seconds(3);
        EXPECT_THAT(local.power.calls, IsEmpty()) << step;
        EXPECT_FALSE(local.effects.ended);
        EXPECT_EQ(local.program.Window().Reset.caption, "Reset");
        EXPECT_TRUE(local.program.Window().Config.enabled);
        EXPECT_THAT(local.link.sent, ::testing::Contains("<COC000>"))
            << "the reset is forwarded to a slave";
        const auto events = own.LogEvents();
        EXPECT_NE(std::find(events.begin(), events.end(), "Reset|Power Off"), events.end());
    }
}

TEST_F(Countdown, SimulatedPowerOffShowsTheBoxLogsAndEnds) {
    StartAndTrigger({{"CPUDelay", "600"}, {"ShutTime", "300"}, {"LogLevel", "2"}},
                    "-InhibitShutdown");
    EXPECT_EQ(Window().Counter.caption, "The Computer Will Power Off In 6s");
    rig.Seconds(6);
    EXPECT_THAT(rig.power.calls, IsEmpty());
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_EQ(rig.effects.messages[0].style, box::Plain);
    EXPECT_EQ(rig.effects.messages[0].title, "Nodrel Simulate Power Off");
    EXPECT_EQ(rig.effects.messages[0].text, "Test Real Power Off");
    EXPECT_EQ(rig.effects.ended, 0);
    EXPECT_THAT(EventsFrom("Enter|Power Off"),
                ElementsAre("Enter|Power Off", "Power Off|Simulate", "Close|Power Off"));
}

TEST_F(Countdown, SimulatedStandbyResetsAndKeepsRunning) {
    StartAndTrigger({{"ShutType", "6"}, {"LogLevel", "2"}}, "-InhibitShutdown");
    rig.Seconds(6);
    EXPECT_FALSE(rig.effects.ended);
    EXPECT_THAT(rig.power.calls, IsEmpty());
    EXPECT_EQ(rig.effects.messages.at(0).text, "Test Real Standby");
    EXPECT_THAT(EventsFrom("Standby|Simulate"),
                ElementsAre("Standby|Simulate", "Start|Initialise", "Restart|Standby",
                            "---------|----------", "---------|----------"));
    EXPECT_EQ(rig.program.settings.ShutTime, 6) << "still six after the reset";
    EXPECT_FALSE(Window().minimised) << "a simulated reset never sends the window away";
}

TEST_F(Countdown, MessageBoxCannotStartAnotherStep) {
    StartAndTrigger({{"ShutType", "5"}, {"LogLevel", "2"}}, "-InhibitShutdown");
    // A front end whose box runs the event loop: ticks keep arriving while it is open.
    int ticksWhileShown = 0;
    rig.effects.whileShown = [&] {
        for (int i = 0; i < 6; ++i, ++ticksWhileShown) rig.program.tmrRefresh_Timer();
    };
    rig.Seconds(6);
    EXPECT_EQ(ticksWhileShown, 6);
    EXPECT_EQ(rig.effects.messages.size(), 1u);
    const auto events = folder.LogEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "Hibernate|Simulate"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "Restart|Hibernate"), 1);
}

}  // namespace
}  // namespace nodrel::testing
