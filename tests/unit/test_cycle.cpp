// The monitoring cycle driven tick by tick: start-up, activation delay, monitoring and the
// switch to the countdown, with the window state and the log they leave behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class Cycle : public ::testing::Test {
protected:
    void Start(const Overrides& overrides = {}, const std::string& commandLine = "") {
        folder.WriteConfig(ConfigText(overrides));
        rig.program.Form_Load(commandLine);
        ASSERT_FALSE(rig.effects.ended) << (rig.effects.messages.empty()
                                                ? std::string("ended")
                                                : rig.effects.messages.front().text);
    }
    const MainWindow& Window() const { return rig.program.Window(); }

    ScratchFolder folder;
    Rig rig;
};

TEST_F(Cycle, StartShowsTheActivationStateOfAMaster) {
    Start({{"StartDelay", "5"}, {"CPULevel", "20"}, {"CPUDelay", "60"}});
    EXPECT_EQ(Window().caption, "Nodrel");
    EXPECT_EQ(Window().Title.caption,
              "Power Off the computer if CPU load is below 20% for over 60 sec");
    EXPECT_EQ(Window().Counter.caption, "Program Activation In 5s");
    EXPECT_EQ(Window().CPULoad.caption, "");
    EXPECT_EQ(Window().Title, (LabelState{Window().Title.caption, ButtonText, ButtonFace, false}));
    EXPECT_EQ(Window().Reset, (ButtonState{"Reset", "Reset Nodrel", true}));
    EXPECT_EQ(Window().Exit.toolTip, "Close Nodrel");
    EXPECT_EQ(Window().About.toolTip, "About Nodrel");
    EXPECT_EQ(Window().Config.toolTip, "Configure Nodrel");
    EXPECT_EQ(Window().TestS, (ButtonState{"Test", "Enables/Restarts Nodrel Test Mode", true}));
    EXPECT_TRUE(rig.program.TimerEnabled());
    EXPECT_EQ(rig.priority.raised, 1);
}

TEST_F(Cycle, TitleSentenceFollowsRoleAndAction) {
    Start({{"ShutType", "4"}, {"IPAdd", "10.1.1.1"}, {"CPULevel", "15"}});
    EXPECT_EQ(Window().Title.caption,
              "Monitor the CPU load until it has been below 15% for over 5 sec");
}

TEST_F(Cycle, SlaveTitleAndCaption) {
    Start({{"CMain", "2"}, {"IPAdd", "192.168.1.20"}, {"ShutType", "2"}});
    EXPECT_EQ(Window().caption, "Nodrel Slave");
    EXPECT_EQ(Window().Title.caption,
              "Reboot the computer if communications are lost for over 5 sec");
    EXPECT_EQ(Window().Reset.toolTip, "Reset Nodrel Slave");
}

TEST_F(Cycle, ActivationDelayCountsDownOnceASecondIntoRun) {
    Start({{"StartDelay", "5"}});
    std::vector<std::string> captions;
    for (int second = 0; second < 5; ++second) {
        rig.program.tmrRefresh_Timer();
        EXPECT_EQ(Window().Counter.caption,
                  "Program Activation In " + std::to_string(5 - second) + "s")
            << "the half-second tick between work ticks changes nothing";
        rig.program.tmrRefresh_Timer();
        captions.push_back(Window().Counter.caption);
        EXPECT_EQ(rig.program.Phase, second < 4 ? PhaseInitialise : PhaseRun);
    }
    EXPECT_EQ(captions.back(), "Program Activation In 0s");
    EXPECT_THAT(folder.LogEvents(),
                ElementsAre("Start|Initialise", "Inactive|", "Inactive|", "Inactive|",
                            "Inactive|", "Enter|Run"));
}

TEST_F(Cycle, NormalLevelLogsOnlyThePhaseChanges) {
    Start({{"LogLevel", "2"}, {"StartDelay", "3"}, {"CPUDelay", "60"}});
    rig.Seconds(8);
    EXPECT_THAT(folder.LogEvents(), ElementsAre("Start|Initialise", "Enter|Run"));
}

TEST_F(Cycle, TickDividerMakesEverySecondTickAWorkTick) {
    Start();
    EXPECT_EQ(rig.program.TickDivider, 2);
    rig.program.tmrRefresh_Timer();
    EXPECT_EQ(rig.program.TickDivider, 1);
    EXPECT_EQ(rig.program.Count, 2);
    rig.program.tmrRefresh_Timer();
    EXPECT_EQ(rig.program.TickDivider, 2);
    EXPECT_EQ(rig.program.Count, 1);
}

TEST_F(Cycle, MovingAverageMeetsTheLevelOnlyOnceItFallsBelow) {
    rig.counters.loads = {0, 10, 10, 10, 10, 2};  // the first is the start-up baseline
    Start({{"StartDelay", "1"}, {"AvTime", "5"}, {"CPULevel", "9"}});
    rig.Seconds(1);
    ASSERT_EQ(rig.program.Phase, PhaseRun);
    std::vector<int> counts;
    for (int second = 0; second < 5; ++second) {
        rig.Seconds(1);
        counts.push_back(rig.program.Count);
    }
    EXPECT_THAT(counts, ElementsAre(0, 0, 0, 0, 1));
    EXPECT_EQ(rig.program.AvLoadText, "  8%");
    EXPECT_EQ(rig.program.LoadText, "  2%");
    EXPECT_EQ(Window().CPULoad.caption, "CPU Load:   8%");
    EXPECT_EQ(Window().Counter, (LabelState{"CPU less than 9% for the last 1s", Orange,
                                            ButtonFace, true}));
}

TEST_F(Cycle, AverageEqualToTheLevelDoesNotCount) {
    rig.counters.loads = {0, 20, 20};
    Start({{"StartDelay", "1"}, {"AvTime", "1"}, {"CPULevel", "20"}});
    rig.Seconds(3);
    EXPECT_EQ(rig.program.Count, 0);
    EXPECT_EQ(Window().Counter.caption, "CPU less than 20% for the last 0s");
}

TEST_F(Cycle, FailedReadingKeepsTheCountAndRestartsTheAverage) {
    // baseline, two low readings, a failure, the re-taken baseline, then a low reading
    rig.counters.loads = {0, 5, 5, -1, 0, 7};
    Start({{"StartDelay", "1"}, {"AvTime", "5"}, {"CPUDelay", "10"}});
    rig.Seconds(3);
    rig.Seconds(1);
    EXPECT_EQ(rig.program.Count, 3) << "a failed second counts as held";
    EXPECT_EQ(Window().CPULoad.caption, "Error");
    EXPECT_EQ(rig.program.LoadText, "Err ");
    EXPECT_EQ(rig.program.LoadSamples[0], 0);
    rig.Seconds(1);
    EXPECT_EQ(rig.program.Count, 4);
    EXPECT_EQ(rig.program.LoadSamples[0], 1) << "the average restarts from the next reading";
    EXPECT_EQ(rig.program.AvLoadText, "  7%");
    const std::string log = folder.ReadLog();
    EXPECT_THAT(log, HasSubstr("Count:   3, CPU:Err , Av CPU:Err "));
}

TEST_F(Cycle, CountdownBeginsInTheTriggerDelaysSecond) {
    Start({{"StartDelay", "1"}, {"CPUDelay", "5"}});
    rig.Seconds(5);
    EXPECT_EQ(rig.program.Phase, PhaseRun);
    EXPECT_EQ(Window().Counter.caption, "CPU less than 20% for the last 4s");
    rig.Seconds(1);
    EXPECT_EQ(rig.program.Phase, PhaseCountdown);
    EXPECT_EQ(Window().Counter.caption, "The Computer Will Power Off In 10s")
        << "the same second shows the first countdown step";
    const auto events = folder.LogEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "Run|"), 4)
        << "the second that starts the countdown writes no Run line";
}

TEST_F(Cycle, SlaveCountsSilentSecondsAndShowsTheLink) {
    Start({{"CMain", "2"}, {"IPAdd", "192.168.1.20"}, {"StartDelay", "1"}, {"CPUDelay", "60"}});
    rig.Seconds(3);
    EXPECT_EQ(Window().Counter, (LabelState{"Not connected for the last 2s", Orange,
                                            ButtonFace, true}));
    EXPECT_EQ(rig.program.CommsText, "Fail");
    rig.program.ConditionMet = 0;  // a valid message arrived during the second
    rig.Seconds(1);
    EXPECT_EQ(rig.program.Count, 0);
    EXPECT_EQ(Window().Counter.caption, "Connected");
    EXPECT_EQ(Window().Counter.fore, Green);
    EXPECT_THAT(folder.ReadLog(), HasSubstr("Count:   2, Comms: Fail"));
}

TEST_F(Cycle, UnconfiguredSlaveWaitsWithoutWork) {
    Start({{"CMain", "2"}, {"ShutType", "4"}, {"IPAdd", "192.168.1.20"}});
    EXPECT_TRUE(rig.program.Unconfigured);
    EXPECT_EQ(Window().Title, (LabelState{"Click Configure To Set Up Nodrel Slave", Orange,
                                          ButtonFace, true}));
    EXPECT_EQ(Window().Counter.caption, "");
    EXPECT_FALSE(Window().Reset.enabled);
    EXPECT_FALSE(Window().TestS.enabled);
    EXPECT_TRUE(Window().Config.enabled);
    rig.Seconds(5);
    EXPECT_EQ(rig.program.Count, 2);
    EXPECT_EQ(rig.program.Phase, PhaseInitialise);
    EXPECT_THAT(folder.LogEvents(), ElementsAre("UnConfig|********"));
    rig.program.Form_Unload();
    EXPECT_THAT(folder.LogEvents(), ElementsAre("UnConfig|********")) << "no Exit line";
    EXPECT_EQ(rig.effects.ended, 0);
}

TEST_F(Cycle, InhibitShutdownShortensTheDelaysInMemoryOnly) {
    Start({{"CPUDelay", "600"}, {"ShutTime", "300"}}, "-InhibitShutdown -AllowMulti");
    EXPECT_EQ(rig.program.InhibitShutdown, 1);
    EXPECT_EQ(rig.program.settings.CPUDelay, 6);
    EXPECT_EQ(rig.program.settings.ShutTime, 6);
    EXPECT_THAT(Window().Title.caption, HasSubstr("for over 6 sec"));
    EXPECT_THAT(folder.ReadLog(), HasSubstr("CPUDelay=600")) << "the listing shows the file";
}

TEST_F(Cycle, OpenDialogPausesTheWorkUntilItTimesOut) {
    Start({{"StartDelay", "5"}});
    rig.program.DialogOpen = true;
    rig.program.DialogTimeout = 30;
    rig.Seconds(3);
    EXPECT_EQ(rig.program.Count, 5);
    rig.program.DialogTimeout = 0;
    rig.Seconds(1);
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_THAT(rig.effects.events, ::testing::Contains("close dialogs"));
    rig.Seconds(1);
    EXPECT_EQ(rig.program.Count, 4) << "the cycle resumes where it stopped";
}

TEST_F(Cycle, StartMinimisedGoesToTheTray) {
    Start({{"StartMin", "2"}});
    EXPECT_TRUE(Window().minimised);
    EXPECT_THAT(rig.effects.events, ::testing::IsSupersetOf({"minimise", "tray add"}));
}

TEST_F(Cycle, ExitWritesThePhaseAndEndsWithStatusZero) {
    Start({{"StartDelay", "1"}, {"CPUDelay", "60"}});
    rig.Seconds(2);
    rig.program.Form_Unload();
    EXPECT_EQ(folder.LogEvents().back(), "Exit|Run");
    EXPECT_EQ(rig.effects.ended, 0);
    EXPECT_FALSE(rig.program.TimerEnabled());
    const auto& events = rig.effects.events;
    EXPECT_EQ(std::vector<std::string>(events.end() - 2, events.end()),
              (std::vector<std::string>{"tray remove", "end"}));
    rig.Seconds(3);
    EXPECT_EQ(folder.LogEvents().back(), "Exit|Run") << "nothing runs after the end";
}

TEST_F(Cycle, ReloadRestartsWithTheNewSettings) {
    Start({{"StartDelay", "1"}, {"CPUDelay", "60"}});
    rig.Seconds(3);
    folder.WriteConfig(ConfigText({{"StartDelay", "3"}, {"CPULevel", "35"}}));
    rig.program.ReloadSettings();
    EXPECT_EQ(rig.program.Phase, PhaseInitialise);
    EXPECT_EQ(Window().Counter, (LabelState{"Program Activation In 3s", ButtonText,
                                            ButtonFace, false}));
    EXPECT_THAT(Window().Title.caption, HasSubstr("below 35%"));
    const auto events = folder.LogEvents();
    EXPECT_THAT(std::vector<std::string>(events.end() - 2, events.end()),
                ElementsAre("Config|Updated", "Start|Initialise"));
    const std::string log = folder.ReadLog();
    ASSERT_NE(log.find(" Config   , Updated"), std::string::npos);
    EXPECT_LT(log.find(" Config   , Updated"), log.rfind("CPULevel=35"))
        << "the new listing follows the Config line";
    EXPECT_EQ(rig.program.TickDivider, 2);
}

}  // namespace
}  // namespace nodrel::testing
