// Failures that end the program (an out-of-range file and a missing log folder from outside:
// e2e/test_nodreld.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fakes.h"

namespace nodrel::testing {
namespace {

namespace fs = std::filesystem;

// Each failure's box, then the end with status 1, the log never made or made again: no
// settings file, a folder where the log file belongs, the data folder gone between the read
// of the settings and its own check (here while the slave's port box is shown), the log file
// deleted while running (at the next line, the timer stopped first).
TEST(StartupFailure, EachEndsWithItsMessage) {
    const std::string terminate = "\r\nThe program will now terminate.";
    const struct {
        std::function<void(Rig&)> cause;
        ShownMessage box;
        std::vector<std::string> events;
    } cases[] = {
        {[](Rig& r) { r.program.Form_Load(""); },
         {16, "Nodrel Configuration File Error",
          "The configuration file is either missing or corrupted.\r\nReinstall the program to "
          "restore the file." +
              terminate},
         {"message", "tray remove", "end"}},
        {[](Rig& r) {
             fs::create_directory("Log/Nodrel.log");
             r.Start();
         },
         {48, "Nodrel Log File Error",
          "Unable to create the log file Nodrel.log.\r\nThis may be a permissions problem." +
              terminate},
         {"message", "tray remove", "end"}},
        {[](Rig& r) {
             r.link.bindWorks = false;
             r.effects.whileShown = [&r] { fs::remove_all("Data"); };
             r.Start({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}});
         },
         {48, "Nodrel Slave Data Directory Error",
          "The data directory does not exist.\r\nTo restore the data directory\r\nreinstall the "
          "program." +
              terminate},
         {"message", "message", "tray remove", "end"}},
        {[](Rig& r) {
             r.Start({{"StartDelay", "5"}});
             fs::remove("Log/Nodrel.log");
             r.Seconds(1);
         },
         {48, "Nodrel Log File Error",
          "The log file is either missing or\r\ncorrupted. Delete the log file if\r\nit exists "
          "and restart the program." +
              terminate},
         {"timer off", "message", "tray remove", "end"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box.title);
        Rig rig;
        c.cause(rig);
        EXPECT_EQ(rig.effects.messages.back(), c.box);
        EXPECT_EQ(std::ssize(rig.effects.messages), std::ranges::count(c.events, "message"));
        EXPECT_EQ(Last(rig.effects.events, std::ssize(c.events)), c.events);
        EXPECT_EQ(rig.program.EndStatus(), 1);
        EXPECT_FALSE(fs::is_regular_file("Log/Nodrel.log"));
    }
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
