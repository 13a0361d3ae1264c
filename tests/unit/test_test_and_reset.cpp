// The Test and Reset commands: a shortened run of the whole chain that ends in a message,
// and the way back to the activation delay from any phase.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Commands : public ::testing::Test {
protected:
    void Start(const Overrides& overrides = {}) {
        folder.WriteConfig(ConfigText(overrides));
        rig.program.Form_Load("");
        ASSERT_FALSE(rig.effects.ended);
    }
    const MainWindow& Window() const { return rig.program.Window(); }

    ScratchFolder folder;
    Rig rig;
};

TEST_F(Commands, TestRunsTheShortChainAndEndsWithItsMessage) {
    Start({{"StartDelay", "20"}, {"CPUDelay", "600"}, {"LogLevel", "2"}});
    rig.program.TestS_Click();
    EXPECT_TRUE(rig.program.TestMode);
    EXPECT_EQ(Window().caption, "Nodrel - Test Mode");
    EXPECT_EQ(Window().Title.caption,
              "Power Off the computer if CPU load is below 20% for over 5 sec");
    EXPECT_EQ(Window().Counter.caption, "Program Activation In 2s");
    EXPECT_THAT(rig.link.sent, ElementsAre("<COT000>")) << "forwarded at once";
    rig.Seconds(2);
    EXPECT_EQ(rig.program.Phase, PhaseRun) << "the test's activation lasts two work ticks";
    rig.Seconds(5);
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_EQ(rig.effects.messages[0].style, box::Plain);
    EXPECT_EQ(rig.effects.messages[0].title, "Nodrel Test");
    EXPECT_EQ(rig.effects.messages[0].text, "Test Power Off");
    EXPECT_THAT(rig.power.calls, IsEmpty());
    EXPECT_FALSE(rig.program.TestMode);
    EXPECT_EQ(rig.program.Phase, PhaseInitialise);
    EXPECT_EQ(Window().caption, "Nodrel");
    EXPECT_EQ(Window().Title.caption,
              "Power Off the computer if CPU load is below 20% for over 600 sec");
    const auto events = folder.LogEvents();
    EXPECT_THAT(events, ElementsAre("Start|Initialise", "*Enter|Test", "*Start|Initialise",
                            "*Enter|Run", "*Simulate|Power Off", "Start|Initialise"));
}

TEST_F(Commands, TestEndingNeverMinimises) {
    Start({{"StartMin", "2"}, {"StartDelay", "20"}});
    rig.program.RestoreWindow();
    rig.program.TestS_Click();
    rig.Seconds(7);
    EXPECT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_FALSE(Window().minimised);
}

TEST_F(Commands, TestIsRefusedWhileUnconfigured) {
    Start({{"CMain", "2"}, {"ShutType", "4"}, {"IPAdd", "192.168.1.20"}});
    const auto before = folder.ReadLog();
    rig.program.TestS_Click();
    EXPECT_FALSE(rig.program.TestMode);
    EXPECT_EQ(folder.ReadLog(), before);
    EXPECT_THAT(rig.link.sent, IsEmpty()) << "nothing is forwarded";
}

TEST_F(Commands, ResetDuringATestCarriesTheMarker) {
    Start({{"StartDelay", "20"}, {"CPUDelay", "600"}, {"LogLevel", "2"}});
    rig.program.TestS_Click();
    rig.Seconds(3);
    rig.program.Reset_Click();
    EXPECT_FALSE(rig.program.TestMode);
    EXPECT_EQ(folder.LogEvents().at(folder.LogEvents().size() - 2), "*Reset|Run");
    EXPECT_EQ(Window().caption, "Nodrel");
    EXPECT_EQ(rig.link.sent.back(), "<COC000>");
}

TEST_F(Commands, ResetNamesThePhaseAndRestartsTheActivation) {
    Start({{"StartDelay", "4"}, {"LogLevel", "2"}});
    rig.Seconds(1);
    rig.program.Reset_Click();
    EXPECT_EQ(rig.program.Count, 4);
    EXPECT_EQ(Window().Counter.caption, "Program Activation In 4s");
    const auto events = folder.LogEvents();
    EXPECT_THAT(std::vector<std::string>(events.end() - 2, events.end()),
                ElementsAre("Reset|Initialise", "Start|Initialise"));
}

TEST_F(Commands, ResetOfARealCountdownMayReturnToTheTray) {
    Start({{"StartMin", "2"}, {"StartDelay", "1"}, {"CPUDelay", "5"}});
    rig.Seconds(6);
    ASSERT_EQ(rig.program.Phase, PhaseCountdown);
    EXPECT_FALSE(Window().minimised) << "the countdown brought the window back";
    EXPECT_THAT(rig.effects.events, ::testing::Contains("restore"));
    rig.program.Reset_Click();
    EXPECT_TRUE(Window().minimised);
    EXPECT_FALSE(Window().topmost) << "RunOnTop 1: no longer on top after the countdown";
}

TEST_F(Commands, ResetWorksWhileUnconfigured) {
    Start({{"CMain", "2"}, {"ShutType", "4"}, {"IPAdd", "192.168.1.20"}, {"LogLevel", "2"}});
    rig.program.Reset_Click();
    EXPECT_EQ(folder.LogEvents().back(), "Reset|Initialise");
    EXPECT_EQ(Window().Title.caption, "Click Configure To Set Up Nodrel Slave");
}

}  // namespace
}  // namespace nodrel::testing
