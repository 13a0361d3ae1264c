// Every way start-up or a running program ends with a message: the exact box, the timer
// stopped, the tray icon removed before the end, and the status 1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::ElementsAre;

struct FatalCase {
    const char* name;
    std::function<void(const ScratchFolder&)> prepare;
    int style;
    std::string title;
    std::string text;
};

void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class StartupFailure : public ::testing::TestWithParam<FatalCase> {};

const std::string Terminate = "The program will now terminate.";

std::vector<FatalCase> FatalCases() {
    return {
        {"MissingFile", [](const ScratchFolder&) {}, 16, "Nodrel Configuration File Error",
         "The configuration file is either missing or corrupted.\r\n"
         "Reinstall the program to restore the file.\r\n" + Terminate},
        {"MissingSection",
         [](const ScratchFolder& f) {
             std::string text = ConfigText();
             text.replace(text.find("[Shutdown]"), 10, "[shutdown]");
             f.WriteConfig(text);
         },
         16, "Nodrel Configuration File Error",
         "The configuration file is corrupted.\r\n"
         "Reinstall the program to restore the file.\r\n" + Terminate},
        {"ValueTooLargeForItsField",
         [](const ScratchFolder& f) { f.WriteConfig(ConfigText({{"CPUDelay", "40000"}})); }, 48,
         "Nodrel Configuration File Read Error",
         "Unable to read the configuration file.\r\n"
         "This may be a permissions problem.\r\n" + Terminate},
        {"OutOfRange",
         [](const ScratchFolder& f) { f.WriteConfig(ConfigText({{"AvTime", "0"}})); }, 16,
         "Nodrel Configuration File Error",
         "The configuration file is missing or corrupted.\r\n"
         "Reinstall the program to restore the file.\r\n" + Terminate},
        {"MissingLogFolder",
         [](const ScratchFolder& f) {
             f.WriteConfig(ConfigText());
             std::filesystem::remove_all(f.Path() / "Log");
         },
         48, "Nodrel Log Directory Error",
         "The log directory does not exist. This\r\n"
         "directory must be created manually if\r\n"
         "it is not the default one. To restore\r\n"
         "the default log directory reinstall\r\n"
         "the program.\r\n" + Terminate},
    };
}

TEST_P(StartupFailure, EndsWithItsMessage) {
    ScratchFolder folder;
    GetParam().prepare(folder);
    Rig rig;
    rig.program.Form_Load("");
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    const auto& shown = rig.effects.messages.front();
    EXPECT_EQ(shown.style, GetParam().style);
    EXPECT_EQ(shown.title, GetParam().title);
    EXPECT_EQ(shown.text, GetParam().text);
    EXPECT_THAT(rig.effects.events, ElementsAre("message", "tray remove", "end"))
        << "the timer never ran and the tray icon goes before the end";
    EXPECT_EQ(rig.effects.ended, 1);
    EXPECT_EQ(rig.program.EndStatus(), 1);
    EXPECT_TRUE(folder.LogEvents().empty());
}

INSTANTIATE_TEST_SUITE_P(Nodrel, StartupFailure, ::testing::ValuesIn(FatalCases()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(RunningFailure, LogFileDeletedWhileRunningEndsAtTheNextLine) {
    ScratchFolder folder;
    folder.WriteConfig(ConfigText({{"StartDelay", "5"}}));
    Rig rig;
    rig.program.Form_Load("");
    std::filesystem::remove(folder.Path() / "Log" / "Nodrel.log");
    rig.Seconds(1);
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_EQ(rig.effects.messages[0].title, "Nodrel Log File Error");
    EXPECT_EQ(rig.effects.messages[0].text,
              "The log file is either missing or\r\ncorrupted. Delete the log file if\r\n"
              "it exists and restart the program.\r\nThe program will now terminate.");
    const auto& events = rig.effects.events;
    ASSERT_GE(events.size(), 4u);
    EXPECT_THAT(std::vector<std::string>(events.end() - 4, events.end()),
                ElementsAre("timer off", "message", "tray remove", "end"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Log" / "Nodrel.log"));
}

TEST(RunningFailure, ReloadOfABrokenFileEndsTheProgram) {
    ScratchFolder folder;
    folder.WriteConfig(ConfigText());
    Rig rig;
    rig.program.Form_Load("");
    folder.WriteConfig(ConfigText({{"LogPath", "Logs"}}));
    rig.program.ReloadSettings();
    EXPECT_EQ(rig.effects.ended, 1);
    EXPECT_EQ(rig.effects.messages.at(0).title, "Nodrel Configuration File Error");
    EXPECT_FALSE(rig.program.TimerEnabled());
}

TEST(RunningFailure, NothingIsLoggedAtLevelNoneEvenWithoutALogFolder) {
    ScratchFolder folder;
    folder.WriteConfig(ConfigText({{"LogLevel", "1"}, {"LogPath", "Missing/"}}));
    Rig rig;
    rig.program.Form_Load("");
    rig.Seconds(4);
    rig.program.Form_Unload();
    EXPECT_TRUE(rig.effects.messages.empty());
    EXPECT_EQ(rig.effects.ended, 0);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Missing"));
}

}  // namespace
}  // namespace nodrel::testing
