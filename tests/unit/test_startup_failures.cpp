// Every way start-up or a running program ends with a message: the exact box, the timer
// stopped, the tray icon removed before the end, and the status 1.
#include <gmock/gmock.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

TEST(StartupFailure, EachEndsWithItsMessage) {
    const std::string reinstall = "\r\nReinstall the program to restore the file.";
    const std::string terminate = "\r\nThe program will now terminate.";
    std::string lowerCase = ConfigText();
    lowerCase.replace(lowerCase.find("[Shutdown]"), 10, "[shutdown]");
    const struct {
        std::optional<std::string> file;
        std::string removed, made;  // a folder removed or made after the file is written
        int style;
        std::string title, text;
    } cases[] = {
        {std::nullopt, "", "", 16, "Nodrel Configuration File Error",
         "The configuration file is either missing or corrupted." + reinstall + terminate},
        {lowerCase, "", "", 16, "Nodrel Configuration File Error",
         "The configuration file is corrupted." + reinstall + terminate},
        {ConfigText({{"CPUDelay", "40000"}}), "", "", 48, "Nodrel Configuration File Read Error",
         "Unable to read the configuration file.\r\nThis may be a permissions problem." +
             terminate},
        {ConfigText({{"AvTime", "0"}}), "", "", 16, "Nodrel Configuration File Error",
         "The configuration file is missing or corrupted." + reinstall + terminate},
        {ConfigText(), "Log", "", 48, "Nodrel Log Directory Error",
         "The log directory does not exist. This\r\ndirectory must be created manually if\r\n"
         "it is not the default one. To restore\r\nthe default log directory reinstall\r\n"
         "the program." + terminate},
        {ConfigText(), "", "Log/Nodrel.log", 48, "Nodrel Log File Error",
         "Unable to create the log file Nodrel.log.\r\nThis may be a permissions problem." +
             terminate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title + ": " + c.text.substr(0, 40));
        Rig rig;
        if (c.file) rig.folder.WriteConfig(*c.file);
        if (!c.removed.empty()) fs::remove_all(rig.folder.Path() / c.removed);
        if (!c.made.empty()) fs::create_directory(rig.folder.Path() / c.made);
        rig.program.Form_Load("");
        EXPECT_THAT(rig.effects.messages, ElementsAre(ShownMessage{c.style, c.title, c.text}));
        EXPECT_THAT(rig.effects.events, ElementsAre("message", "tray remove", "end"))
            << "the timer never ran and the tray icon goes before the end";
        EXPECT_EQ(rig.program.EndStatus(), 1);
        EXPECT_TRUE(rig.folder.LogEvents().empty());
    }
}

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

TEST(RunningFailure, ReloadOfABrokenFileEndsTheProgram) {
    Rig rig;
    ASSERT_TRUE(rig.Start());
    rig.folder.WriteConfig(ConfigText({{"LogPath", "Logs"}}));
    rig.program.ReloadSettings();
    EXPECT_EQ(rig.effects.ended, 1);
    EXPECT_EQ(rig.effects.messages.at(0).title, "Nodrel Configuration File Error");
    EXPECT_FALSE(rig.program.TimerEnabled());
}

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
