// Window state against StartMin, the tray's double click, the dialogs pausing the cycle.
#include <gmock/gmock.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

// After a cancelled countdown the window returns to the tray as StartMin says, or as the
// user chose by minimising; a double click on the tray icon clears that choice. RunOnTop 2
// keeps it on top, 1 drops it after the countdown.
TEST(WindowEvents, CancelledCountdownReturnsToTheTrayAsStartMinOrTheUserChose) {
    const struct {
        const char *startMin, *runOnTop;
        bool userMinimises, doubleClick, backToTray;
    } cases[] = {{"2", "2", false, false, true},
                 {"1", "1", true, false, true},
                 {"1", "1", true, true, false}};
    for (const auto& c : cases) {
        Rig rig;
        ASSERT_TRUE(rig.Start({{"StartMin", c.startMin},
                               {"RunOnTop", c.runOnTop},
                               {"StartDelay", "1"},
                               {"CPUDelay", "5"}}));
        if (c.userMinimises) rig.program.Form_Resize(true);
        EXPECT_TRUE(rig.Window().minimised);
        EXPECT_THAT(rig.effects.events, Contains(c.userMinimises ? "hide" : "minimise"));
        rig.Seconds(6);
        ASSERT_EQ(rig.program.Phase, PhaseCountdown);
        EXPECT_FALSE(rig.Window().minimised) << "the countdown brings it back";
        if (c.doubleClick)
            rig.program.TrayDoubleClick();
        else
            rig.program.Form_Resize(false);  // the front end reports the restored window
        EXPECT_EQ(rig.program.WindowOverride, c.userMinimises && !c.doubleClick);
        rig.program.Reset_Click();
        EXPECT_EQ(rig.Window().minimised, c.backToTray) << c.startMin << c.doubleClick;
        EXPECT_EQ(rig.Window().topmost, std::string(c.runOnTop) == "2");
    }
}

// The configuration window shows its countdown only in its last 90 of 600 seconds, and
// closing it without a save carries on where the cycle stopped.
// The about window stops the cycle; the tick closes it when its seconds have run out.
TEST(WindowEvents, AboutPausesTheCycleUntilTheTickClosesIt) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "10"}}, "-InhibitShutdown"));
    rig.program.AboutOpened();
    for (int second = 0; second < 4; ++second) {
        rig.program.AboutSecond();
        rig.Seconds(1);
        EXPECT_EQ(rig.program.Count, 10) << "paused while the window is open";
    }
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_THAT(rig.effects.events, Contains("close dialogs"));
    rig.Seconds(1);
    EXPECT_EQ(rig.program.Count, 9) << "the cycle resumes where it stopped";
}

// The configuration window's countdown; closing it reloads only after a save.
TEST(WindowEvents, ConfigurationCountsDownItsLastNinetySecondsAndReloadsOnlyAfterASave) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "5"}, {"LogLevel", "2"}}));
    rig.Seconds(2);
    rig.program.ConfigOpened();
    for (int second = 0; second < 510; ++second) ASSERT_EQ(rig.program.ConfigSecond(), "");
    EXPECT_EQ(rig.program.ConfigSecond(), "The Configuration Screen will close in 90 sec");
    rig.program.ConfigClosed();
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_EQ(rig.program.Count, 3) << "carries on where it stopped";
    rig.program.ConfigOpened();
    rig.program.SettingsSaved = true;
    rig.program.ConfigClosed();
    EXPECT_FALSE(rig.program.DialogOpen || rig.program.SettingsSaved);
    EXPECT_EQ(rig.program.Count, 5);
    EXPECT_THAT(rig.folder.LogEvents(), ElementsAre("Start|Initialise", "Config|Updated",
                                                    "Start|Initialise"));
}

}  // namespace
}  // namespace nodrel::testing
