// The main window's own events as the core sees them: the user's choice of window state
// against StartMin, the tray's double click, and the windows that pause the cycle.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::Contains;

class FailingLauncher : public Launcher {
public:
    bool OpenUrl(const std::string& address) override {
        opened.push_back(address);
        return works;
    }
    bool OpenFile(const std::string&) override { return works; }
    std::vector<std::string> opened;
    bool works = false;
};

class WindowEvents : public ::testing::Test {
protected:
    void Start(const Overrides& overrides, const std::string& commandLine = "") {
        folder.WriteConfig(ConfigText(overrides));
        rig.program.Form_Load(commandLine);
        ASSERT_FALSE(rig.effects.ended);
    }
    ScratchFolder folder;
    Rig rig;
};

TEST_F(WindowEvents, RestoredFromTheTrayStaysVisibleAfterAReset) {
    Start({{"StartMin", "2"}});
    ASSERT_TRUE(rig.program.Window().minimised);
    rig.program.TrayDoubleClick();
    EXPECT_FALSE(rig.program.Window().minimised);
    EXPECT_TRUE(rig.program.WindowOverride);
    EXPECT_THAT(rig.effects.events, Contains("restore"));
    rig.program.Reset_Click();
    EXPECT_FALSE(rig.program.Window().minimised) << "the user's choice wins";
}

TEST_F(WindowEvents, MinimisedByTheUserReturnsToTheTrayAfterACancelledCountdown) {
    Start({{"StartMin", "1"}, {"StartDelay", "1"}, {"CPUDelay", "5"}});
    rig.program.Form_Resize(true);
    EXPECT_THAT(rig.effects.events, Contains("tray add"));
    EXPECT_THAT(rig.effects.events, Contains("hide"));
    EXPECT_TRUE(rig.program.WindowOverride);
    rig.Seconds(6);
    ASSERT_EQ(rig.program.Phase, PhaseCountdown);
    EXPECT_FALSE(rig.program.Window().minimised) << "the countdown brings it back";
    rig.program.Form_Resize(false);  // the front end reports the restored window
    EXPECT_TRUE(rig.program.WindowOverride) << "kept through the countdown";
    rig.program.Reset_Click();
    EXPECT_TRUE(rig.program.Window().minimised);
}

TEST_F(WindowEvents, DoubleClickClearsTheChoiceInAnyPhase) {
    Start({{"StartMin", "1"}});
    rig.program.Form_Resize(true);
    rig.program.TrayDoubleClick();
    EXPECT_FALSE(rig.program.WindowOverride);
    rig.program.Reset_Click();
    EXPECT_FALSE(rig.program.Window().minimised);
}

TEST_F(WindowEvents, ActivationFollowsRunOnTop) {
    Start({{"RunOnTop", "2"}});
    rig.program.Form_Activate();
    EXPECT_TRUE(rig.program.Window().topmost);
    rig.program.Reset_Click();
    EXPECT_TRUE(rig.program.Window().topmost) << "RunOnTop 2: resets leave the z-order alone";
}

TEST_F(WindowEvents, AboutCountsDownAndTheTickClosesIt) {
    Start({{"StartDelay", "10"}}, "-InhibitShutdown");
    rig.program.AboutOpened();
    std::vector<std::string> texts;
    for (int second = 0; second < 4; ++second) {
        texts.push_back(rig.program.AboutSecond());
        rig.Seconds(1);
        EXPECT_EQ(rig.program.Count, 10) << "paused while the window is open";
    }
    EXPECT_THAT(texts, ::testing::ElementsAre("About will close in 4 sec", "About will close in 3 sec",
                                              "About will close in 2 sec", "About will close in 1 sec"));
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_THAT(rig.effects.events, Contains("close dialogs"));
}

TEST_F(WindowEvents, ConfigurationTextShowsOnlyInTheLastNinetySeconds) {
    Start({});
    rig.program.ConfigOpened();
    EXPECT_EQ(rig.program.DialogTimeout, 600);
    for (int second = 0; second < 510; ++second) EXPECT_EQ(rig.program.ConfigSecond(), "");
    EXPECT_EQ(rig.program.ConfigSecond(), "The Configuration Screen will close in 90 sec");
}

TEST_F(WindowEvents, ConfigurationCloseReloadsOnlyAfterASave) {
    Start({{"StartDelay", "5"}, {"LogLevel", "2"}});
    rig.Seconds(2);
    rig.program.ConfigOpened();
    rig.program.ConfigClosed();
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_EQ(rig.program.Count, 3) << "carries on where it stopped";
    rig.program.ConfigOpened();
    rig.program.SettingsSaved = true;
    rig.program.ConfigClosed();
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_FALSE(rig.program.SettingsSaved);
    EXPECT_EQ(rig.program.Count, 5);
    const auto events = folder.LogEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "Config|Updated"), 1);
}

TEST_F(WindowEvents, HomePageFailureShowsItsBox) {
    FailingLauncher launcher;
    Nodrel program({rig.effects, rig.counters, rig.clock, rig.priority, &rig.power, &rig.link,
                    "nodrel", &launcher});
    program.OpenHomePage("Nodrel Slave");
    EXPECT_THAT(launcher.opened, ::testing::ElementsAre(HomePageAddress));
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_EQ(rig.effects.messages[0].title, "Nodrel Slave Error");
    EXPECT_EQ(rig.effects.messages[0].text, "Unable to launch Browser.");
    EXPECT_EQ(rig.effects.messages[0].style, box::Plain);
    launcher.works = true;
    program.OpenHomePage("Nodrel");
    EXPECT_EQ(rig.effects.messages.size(), 1u);
}

}  // namespace
}  // namespace nodrel::testing
