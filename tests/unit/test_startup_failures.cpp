// Failures that end the program (an out-of-range file and a missing log folder from outside:
// e2e/test_nodreld.py).
#include <gmock/gmock.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

TEST(StartupFailure, EachEndsWithItsMessage) {
    const std::string terminate = "\r\nThe program will now terminate.";
    const struct {
        bool file;
        std::string made;  // a folder made where the log file belongs
        int style;
        std::string title, text;
    } cases[] = {
        {false, "", 16, "Nodrel Configuration File Error",
         "The configuration file is either missing or corrupted.\r\nReinstall the program to "
         "restore the file." +
             terminate},
        {true, "Log/Nodrel.log", 48, "Nodrel Log File Error",
         "Unable to create the log file Nodrel.log.\r\nThis may be a permissions problem." +
             terminate},
    };
    for (const auto& c : cases) {
        Rig rig;
        if (c.file) rig.folder.WriteConfig(ConfigText());
        if (!c.made.empty()) fs::create_directory(rig.folder.Path() / c.made);
        rig.program.Form_Load("");
        EXPECT_THAT(rig.effects.messages, ElementsAre(ShownMessage{c.style, c.title, c.text}));
        EXPECT_THAT(rig.effects.events, ElementsAre("message", "tray remove", "end"));
        EXPECT_EQ(rig.program.EndStatus(), 1);
        EXPECT_TRUE(rig.folder.LogEvents().empty());
    }
}

// The data folder gone between the read of the settings and its own check (here while
// the slave's port box is shown): its box, and the end before anything is logged.
TEST(StartupFailure, DataFolderGoneEndsWithItsBox) {
    Rig rig;
    rig.link.bindWorks = false;
    rig.effects.whileShown = [&] { fs::remove_all(rig.folder.Path() / "Data"); };
    rig.folder.WriteConfig(ConfigText({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}}));
    rig.program.Form_Load("");
    ASSERT_EQ(rig.effects.messages.size(), 2u);
    EXPECT_EQ(rig.effects.messages[1],
              (ShownMessage{48, "Nodrel Slave Data Directory Error",
                            "The data directory does not exist.\r\nTo restore the data "
                            "directory\r\nreinstall the program.\r\nThe program will now "
                            "terminate."}));
    EXPECT_THAT(Last(rig.effects.events, 3), ElementsAre("message", "tray remove", "end"));
    EXPECT_EQ(rig.program.EndStatus(), 1);
    EXPECT_FALSE(fs::exists(rig.folder.Path() / "Log" / "Nodrel.log"));
}

// A log file deleted while running ends the program at the next line; it is not recreated.
TEST(RunningFailure, LogFileDeletedWhileRunningEndsAtTheNextLine) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "5"}}));
    fs::remove(rig.folder.Path() / "Log" / "Nodrel.log");
    rig.Seconds(1);
    EXPECT_THAT(rig.effects.messages,
                ElementsAre(ShownMessage{
                    48, "Nodrel Log File Error",
                    "The log file is either missing or\r\ncorrupted. Delete the log file if\r\n"
                    "it exists and restart the program.\r\nThe program will now terminate."}));
    EXPECT_THAT(Last(rig.effects.events, 4),
                ElementsAre("timer off", "message", "tray remove", "end"));
    EXPECT_FALSE(fs::exists(rig.folder.Path() / "Log" / "Nodrel.log"));
}

// SIGHUP or a close after a save re-reads the file: a broken one ends the program.
TEST(RunningFailure, ReloadOfABrokenFileEndsTheProgram) {
    Rig rig;
    ASSERT_TRUE(rig.Start());
    rig.folder.WriteConfig(ConfigText({{"LogPath", "Logs"}}));
    rig.program.ReloadSettings();
    EXPECT_EQ(rig.effects.ended, 1);
    EXPECT_EQ(rig.effects.messages.at(0).title, "Nodrel Configuration File Error");
    EXPECT_FALSE(rig.program.TimerEnabled());
}

// Level None never touches the log folder, so a missing one is no failure.
TEST(RunningFailure, NothingIsLoggedAtLevelNoneEvenWithoutALogFolder) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"LogLevel", "1"}, {"LogPath", "Missing/"}}));
    rig.Seconds(4);
    rig.program.Form_Unload();
    EXPECT_TRUE(rig.effects.messages.empty());
    EXPECT_EQ(rig.effects.ended, 0);
    EXPECT_FALSE(fs::exists(rig.folder.Path() / "Missing"));
}

}  // namespace
}  // namespace nodrel::testing
