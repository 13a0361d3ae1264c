// The monitoring cycle tick by tick: start-up, activation delay, monitoring, reload.
#include <gmock/gmock.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The title names the role's action and rule (with -InhibitShutdown its 6 seconds); the tool
// tips name the role.
TEST(Cycle, StartShowsTheTitleOfRoleAndActionAndTheButtons) {
    const std::tuple<Overrides, const char*, std::string, std::string> cases[] = {
        // clang-format off
        {{{"CPUDelay", "60"}}, "", "Nodrel",
         "Power Off the computer if CPU load is below 20% for over 60 sec"},
        {{{"CPUDelay", "60"}}, "-InhibitShutdown", "Nodrel",
         "Power Off the computer if CPU load is below 20% for over 6 sec"},
        {{{"ShutType", "4"}, {"IPAdd", "10.1.1.1"}, {"CPULevel", "15"}}, "", "Nodrel",
         "Monitor the CPU load until it has been below 15% for over 5 sec"},
        {{{"CMain", "2"}, {"IPAdd", "192.168.1.20"}, {"ShutType", "2"}}, "", "Nodrel Slave",
         "Reboot the computer if communications are lost for over 5 sec"},
        // clang-format on
    };
    for (const auto& [overrides, commandLine, caption, title] : cases) {
        Rig rig;
        ASSERT_TRUE(rig.Start(overrides, commandLine));
        const MainWindow& w = rig.Window();
        EXPECT_EQ(w.caption, caption);
        EXPECT_EQ(w.Title, (LabelState{title, kButtonText, kButtonFace, false}));
        EXPECT_EQ(w.TestS.toolTip, "Enables/Restarts " + caption + " Test Mode");
        EXPECT_TRUE(rig.program.TimerEnabled());
        EXPECT_EQ(rig.priority.raised, 1);
    }
}

// Every second tick works (TickDivider); level Full logs each inactive and monitored second.
// A reload restarts the cycle on a whole second with the new settings and lists them; the
// log lines of a reload and an exit are checked end to end (e2e/test_nodreld.py).
TEST(Cycle, ActivationDelayCountsDownOnceASecondIntoRunAndAReloadStartsItAgain) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "5"}, {"CPUDelay", "60"}, {"LogLevel", "3"}}));
    for (int second = 0; second < 5; ++second) {
        rig.program.tmrRefresh_Timer();
        EXPECT_EQ(rig.Window().Counter.caption,
                  "Program Activation In " + std::to_string(5 - second) + "s")
            << "the half-second tick between work ticks changes nothing";
        rig.program.tmrRefresh_Timer();
        EXPECT_EQ(rig.State().Phase, second < 4 ? PhaseInitialise : PhaseRun);
    }
    EXPECT_EQ(rig.Window().Counter.caption, "Program Activation In 0s");
    rig.Seconds(2);
    EXPECT_THAT(rig.folder.LogEvents(),
                ElementsAre("Start|Initialise", "Inactive|", "Inactive|", "Inactive|", "Inactive|",
                            "Enter|Run", "Run|", "Run|"));
    rig.program.tmrRefresh_Timer();  // half a second in: TickDivider is 1
    rig.folder.WriteConfig(ConfigText({{"StartDelay", "3"}, {"CPULevel", "35"}}));
    rig.program.ReloadSettings();
    EXPECT_EQ(rig.State().TickDivider, 2);
    EXPECT_EQ(rig.Window().Counter,
              (LabelState{"Program Activation In 3s", kButtonText, kButtonFace, false}));
    const std::string log = rig.folder.ReadLog();
    EXPECT_LT(log.find(" Config   , Updated"), log.rfind("CPULevel=35"));
    rig.program.Form_Unload();
    EXPECT_THAT(Last(rig.effects.events, 3), ElementsAre("timer off", "tray remove", "end"));
    EXPECT_EQ(rig.effects.ended, 0);
}

// The average covers AvTime readings; only seconds with an average strictly below the level
// count. A failed reading neither adds to the run nor breaks it, and restarts the average.
TEST(Cycle, MovingAverageCountsOnlySecondsBelowTheLevelAndAFailedReadingRestartsIt) {
    Rig rig;
    // after the start-up baseline: a failure, the re-taken baseline, then a low reading
    rig.counters.loads = {0, 10, 10, 10, 10, 5, 0, -1, 0, 7};
    ASSERT_TRUE(rig.Start({{"StartDelay", "1"}, {"AvTime", "5"}, {"CPULevel", "9"}}));
    rig.Seconds(1);
    std::vector<int> counts;
    for (int second = 0; second < 6; ++second) {
        rig.Seconds(1);
        counts.push_back(rig.State().Count);
    }
    EXPECT_THAT(counts, ElementsAre(0, 0, 0, 0, 0, 1)) << "an average of 9 % is not below 9 %";
    EXPECT_EQ(rig.State().LoadText, "  0%");
    EXPECT_EQ(rig.Window().CPULoad.caption, "CPU Load:   7%");
    EXPECT_EQ(rig.Window().Counter,
              (LabelState{"CPU less than 9% for the last 1s", kOrange, kButtonFace, true}));
    rig.Seconds(1);
    EXPECT_EQ(rig.State().Count, 1);
    EXPECT_EQ(rig.Window().CPULoad.caption, "Error");
    rig.Seconds(1);
    EXPECT_EQ(rig.State().Count, 2);
    EXPECT_EQ(rig.State().AvLoadText, "  7%");
    EXPECT_THAT(rig.folder.ReadLog(), HasSubstr("Count:   1, CPU:Err , Av CPU:Err "));
}

// Unconfigured, a slave or a master waits without work; Test is refused and sends nothing,
// even from a slave's master, but the master's message counts and Reset works. Close
// re-initialises without a save.
TEST(Cycle, UnconfiguredWaitsWithoutWorkAndCloseReinitialises) {
    for (const char* role : {"2", "1"}) {
        SCOPED_TRACE(role);
        const bool slave = role == std::string("2");
        Rig rig;
        ASSERT_TRUE(rig.Start(
            {{"CMain", role}, {"ShutType", "4"}, {"IPAdd", slave ? "192.168.1.20" : ""}}));
        EXPECT_EQ(rig.Window().Title.caption,
                  std::string("Click Configure To Set Up Nodrel") + (slave ? " Slave" : ""));
        EXPECT_FALSE(rig.Window().Reset.enabled);
        EXPECT_FALSE(rig.Window().TestS.enabled);
        rig.Seconds(5);
        EXPECT_EQ(rig.State().Count, 2);
        EXPECT_EQ(rig.State().Phase, PhaseInitialise);
        rig.program.TestS_Click();
        rig.program.udpServ_DataArrival("<COT000>");
        EXPECT_FALSE(rig.State().TestMode);
        EXPECT_THAT(rig.link.sent, IsEmpty());
        EXPECT_EQ(rig.State().CommsText, slave ? "-OK-" : "....");
        rig.program.Reset_Click();
        EXPECT_THAT(rig.folder.LogEvents(), ElementsAre("UnConfig|********", "Reset|Initialise"));

        rig.folder.WriteConfig(ConfigText({{"CMain", role}, {"IPAdd", "192.168.1.20"}}));
        rig.program.ConfigOpened();
        rig.program.ConfigClosed();
        EXPECT_FALSE(rig.State().Unconfigured);
        EXPECT_TRUE(rig.Window().TestS.enabled);
    }
}

}  // namespace
}  // namespace nodrel::testing
