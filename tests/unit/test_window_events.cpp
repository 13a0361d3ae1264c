// The main window's own events as the core sees them: the user's choice of window state
// against StartMin, the tray's double click, and the windows that pause the cycle.
#include <gmock/gmock.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;

TEST(WindowEvents, StartedInTheTrayThenRestoredStaysVisibleAndOnTopAfterAReset) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartMin", "2"}, {"RunOnTop", "2"}}));
    rig.program.Form_Activate();
    EXPECT_TRUE(rig.Window().topmost);
    EXPECT_THAT(rig.effects.events, Contains("hide")) << "minimised, it stays hidden";
    rig.program.TrayDoubleClick();
    EXPECT_FALSE(rig.Window().minimised);
    EXPECT_TRUE(rig.program.WindowOverride);
    EXPECT_THAT(rig.effects.events, Contains("restore"));
    rig.program.Reset_Click();
    EXPECT_FALSE(rig.Window().minimised) << "the user's choice wins";
    EXPECT_TRUE(rig.Window().topmost) << "RunOnTop 2: resets leave the z-order alone";
}

// After a cancelled real countdown the window goes back to the tray as StartMin says, or
// as the user chose against it by minimising; a double click on the tray icon, in any
// phase, clears that choice.
TEST(WindowEvents, CancelledCountdownReturnsToTheTrayAsStartMinOrTheUserChose) {
    const struct {
        const char* startMin;
        bool userMinimises, doubleClick, backToTray;
    } cases[] = {{"2", false, false, true}, {"1", true, false, true}, {"1", true, true, false}};
    for (const auto& c : cases) {
        Rig rig;
        ASSERT_TRUE(rig.Start({{"StartMin", c.startMin}, {"StartDelay", "1"}, {"CPUDelay", "5"}}));
        if (c.userMinimises) rig.program.Form_Resize(true);
        EXPECT_TRUE(rig.Window().minimised);
        EXPECT_THAT(rig.effects.events,
                    IsSupersetOf({"tray add", c.userMinimises ? "hide" : "minimise"}));
        rig.Seconds(6);
        ASSERT_EQ(rig.program.Phase, PhaseCountdown);
        EXPECT_FALSE(rig.Window().minimised) << "the countdown brings it back";
        EXPECT_THAT(rig.effects.events, Contains("restore"));
        if (c.doubleClick) rig.program.TrayDoubleClick();
        else rig.program.Form_Resize(false);  // the front end reports the restored window
        EXPECT_EQ(rig.program.WindowOverride, c.userMinimises && !c.doubleClick);
        rig.program.Reset_Click();
        EXPECT_EQ(rig.Window().minimised, c.backToTray) << c.startMin << c.doubleClick;
        EXPECT_FALSE(rig.Window().topmost) << "RunOnTop 1: no longer on top after the countdown";
    }
}

TEST(WindowEvents, AboutPausesTheCycleUntilTheTickClosesIt) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "10"}}, "-InhibitShutdown"));
    rig.program.AboutOpened();
    std::vector<std::string> texts;
    for (int second = 0; second < 4; ++second) {
        texts.push_back(rig.program.AboutSecond());
        rig.Seconds(1);
        EXPECT_EQ(rig.program.Count, 10) << "paused while the window is open";
    }
    EXPECT_THAT(texts, ElementsAre("About will close in 4 sec", "About will close in 3 sec",
                                   "About will close in 2 sec", "About will close in 1 sec"));
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_THAT(rig.effects.events, Contains("close dialogs"));
    rig.Seconds(1);
    EXPECT_EQ(rig.program.Count, 9) << "the cycle resumes where it stopped";
}

TEST(WindowEvents, ConfigurationCountsDownItsLastNinetySecondsAndReloadsOnlyAfterASave) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "5"}, {"LogLevel", "2"}}));
    rig.Seconds(2);
    rig.program.ConfigOpened();
    EXPECT_EQ(rig.program.DialogTimeout, 600);
    for (int second = 0; second < 510; ++second) ASSERT_EQ(rig.program.ConfigSecond(), "");
    EXPECT_EQ(rig.program.ConfigSecond(), "The Configuration Screen will close in 90 sec");
    rig.program.ConfigClosed();
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_EQ(rig.program.Count, 3) << "carries on where it stopped";
    rig.program.ConfigOpened();
    rig.program.SettingsSaved = true;
    rig.program.ConfigClosed();
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_FALSE(rig.program.SettingsSaved);
    EXPECT_EQ(rig.program.Count, 5);
    EXPECT_THAT(rig.folder.LogEvents(), ElementsAre("Start|Initialise", "Config|Updated",
                                                    "Start|Initialise"));
}

TEST(WindowEvents, HomePageFailureShowsItsBox) {
    struct : Launcher {
        bool OpenUrl(const std::string& address) override {
            opened.push_back(address);
            return works;
        }
        bool OpenFile(const std::string&) override { return works; }
        std::vector<std::string> opened;
        bool works = false;
    } launcher;
    Rig rig;
    Nodrel program({rig.effects, rig.counters, rig.clock, rig.priority, &rig.power, &rig.link,
                    "nodrel", &launcher});
    program.OpenHomePage("Nodrel Slave");
    EXPECT_THAT(launcher.opened, ElementsAre(HomePageAddress));
    EXPECT_THAT(rig.effects.messages, ElementsAre(ShownMessage{box::Plain, "Nodrel Slave Error",
                                                               "Unable to launch Browser."}));
    launcher.works = true;
    program.OpenHomePage("Nodrel");
    EXPECT_EQ(rig.effects.messages.size(), 1u);
}

}  // namespace
}  // namespace nodrel::testing
