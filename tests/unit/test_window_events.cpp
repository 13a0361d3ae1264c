// Window state against StartMin and RunOnTop, the tray's double click, the dialogs pausing
// the cycle.
#include <gmock/gmock.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

// After a cancelled countdown the window returns to the tray as StartMin says, or as the
// user chose by minimising; a double click on the tray icon clears that choice, and with
// -InhibitShutdown it stays up. The countdown keeps it on top, also when it is activated;
// afterwards RunOnTop 2 keeps it there, 1 drops it.
TEST(WindowEvents, CancelledCountdownReturnsToTheTrayAsStartMinOrTheUserChose) {
    const struct {
        const char *startMin, *runOnTop;
        bool userMinimises, doubleClick, inhibit, backToTray;
    } cases[] = {{"2", "2", false, false, false, true},
                 {"1", "1", true, false, false, true},
                 {"1", "1", true, true, false, false},
                 {"2", "1", false, false, true, false}};
    for (const auto& c : cases) {
        Rig rig;
        ASSERT_TRUE(rig.Start({{"StartMin", c.startMin},
                               {"RunOnTop", c.runOnTop},
                               {"StartDelay", "1"},
                               {"CPUDelay", "6"}},
                              c.inhibit ? "-InhibitShutdown" : ""));
        if (c.userMinimises) rig.program.Form_Resize(true);
        EXPECT_TRUE(rig.Window().minimised);
        EXPECT_THAT(rig.effects.events, Contains(c.userMinimises ? "hide" : "minimise"));
        rig.Seconds(7);
        ASSERT_EQ(rig.State().Phase, PhaseCountdown);
        EXPECT_FALSE(rig.Window().minimised) << "the countdown brings it back";
        rig.program.Form_Activate();
        EXPECT_TRUE(rig.Window().topmost);
        if (c.doubleClick)
            rig.program.TrayDoubleClick();
        else
            rig.program.Form_Resize(false);  // the front end reports the restored window
        EXPECT_EQ(rig.State().WindowOverride, c.userMinimises && !c.doubleClick);
        rig.program.Reset_Click();
        EXPECT_EQ(rig.Window().minimised, c.backToTray) << c.startMin << c.doubleClick;
        EXPECT_EQ(rig.Window().topmost, std::string(c.runOnTop) == "2");
    }
}

// The about window stops the cycle for 30 seconds, 4 with -InhibitShutdown; the tick
// closes it once they have run out.
TEST(WindowEvents, AboutPausesTheCycleUntilTheTickClosesIt) {
    for (const auto& [commandLine, seconds] : {std::pair("", 30), {"-InhibitShutdown", 4}}) {
        Rig rig;
        ASSERT_TRUE(rig.Start({{"StartDelay", "40"}}, commandLine));
        rig.program.AboutOpened();
        EXPECT_EQ(rig.program.AboutSecond(),
                  "About will close in " + std::to_string(seconds) + " sec");
        for (int second = 1; second <= seconds; ++second) {
            rig.Seconds(1);
            EXPECT_EQ(rig.State().Count, 40) << "paused while the window is open";
            if (second < seconds) rig.program.AboutSecond();
        }
        EXPECT_FALSE(rig.State().DialogOpen);
        EXPECT_THAT(rig.effects.events, Contains("close dialogs"));
        rig.Seconds(1);
        EXPECT_EQ(rig.State().Count, 39) << "the cycle resumes where it stopped";
    }
}

// The configuration window's countdown; closing it, by Close or by the tick once its time
// is up, reloads only after a save.
TEST(WindowEvents, ConfigurationCountsDownItsLastNinetySecondsAndReloadsOnlyAfterASave) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "5"}, {"LogLevel", "2"}}));
    rig.Seconds(2);
    rig.program.ConfigOpened();
    rig.program.ConfigClosed();
    EXPECT_FALSE(rig.State().DialogOpen);
    EXPECT_EQ(rig.State().Count, 3) << "carries on where it stopped";
    ConfigWindow window(rig.program.ConfigOpened(), true);
    window.Load();
    window.Fields().CPUDelayT = "40";
    rig.program.ConfigSave(window);
    for (int second = 0; second < 510; ++second) ASSERT_EQ(rig.program.ConfigSecond(), "");
    EXPECT_EQ(rig.program.ConfigSecond(), "The Configuration Screen will close in 90 sec");
    for (int second = 0; second < 90; ++second) rig.program.ConfigSecond();
    rig.Seconds(1);
    EXPECT_THAT(rig.effects.events, Contains("close dialogs"));
    EXPECT_FALSE(rig.State().DialogOpen || rig.State().SettingsSaved);
    EXPECT_EQ(rig.State().settings.CPUDelay, 40);
    EXPECT_THAT(rig.folder.LogEvents(),
                ElementsAre("Start|Initialise", "Config|Updated", "Start|Initialise"));
}

}  // namespace
}  // namespace nodrel::testing
