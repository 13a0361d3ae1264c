// Reading the configuration file: values, counters, outcomes, the listing, and the messages.
#include <gtest/gtest.h>

#include <string>

#include "config/config_reader.h"
#include "config/config_writer.h"
#include "config/validation.h"
#include "test_config_support.h"

namespace nodrel {
namespace {

using testing::ConfigData;
using testing::Replaced;

class ConfigReader : public ::testing::Test {
  protected:
    ReadOutcome Read(const std::string& text) {
        testing::WriteBytes(file_, text);
        return ReadConfig(file_, settings, listing);
    }

    testing::ScratchDir dir_;
    std::filesystem::path file_ = dir_ / "Nodrel4.ini";
    Settings settings;
    std::string listing;
    const std::string valid = ConfigData("written.ini");
};

TEST_F(ConfigReader, WrittenFileReadsAllValuesAndListsThemBySection) {
    ASSERT_EQ(Read(valid), ReadOutcome::Ok);
    const Settings expected{5, 60, 20, 1,  1, "192.168.1.20", 2, "Nodrel.log", "Log/", 10001,
                            1, 2,  2,  60, 1};
    EXPECT_EQ(settings, expected);
    EXPECT_EQ(listing, JoinLines({"",
                                  "Configuration",
                                  "-------------",
                                  "",
                                  "[Comms]",
                                  "DName=1",
                                  "IPAdd=192.168.1.20",
                                  "Port1=10001",
                                  "",
                                  "[Run]",
                                  "AvTime=5",
                                  "CPUDelay=60",
                                  "CPULevel=20",
                                  "LogLevel=2",
                                  "LogName=Nodrel.log",
                                  "LogPath=Log/",
                                  "RunOnTop=1",
                                  "StartDelay=2",
                                  "StartMin=2",
                                  "",
                                  "[Shutdown]",
                                  "ShutTime=60",
                                  "ShutType=1"}));
}

TEST_F(ConfigReader, HandEditedFileWithLfEndsBlanksNotesAndStrayLines) {
    ASSERT_EQ(Read(ConfigData("hand_edited_lf.ini")), ReadOutcome::Ok);
    // ShutTime 2.5 and StartDelay 3.5 go to the even 2 and 4; "12 sec" reads as 12; blanks
    // after '=' are skipped in numbers but kept in texts; Port1 40000 fits its 32 bits.
    const Settings expected{
        12, 300, 15, 2, 2, "partner.example", 3, "  padded.log", "/var/log/nodrel/", 40000,
        2,  4,   1,  2, 4};
    EXPECT_EQ(settings, expected);
    EXPECT_EQ(listing, JoinLines({"",
                                  "Configuration",
                                  "-------------",
                                  "",
                                  "[Shutdown]",
                                  "ShutType=4",
                                  "ShutTime=2.5",
                                  "# note kept in the listing",
                                  "",
                                  "",
                                  "[Run]",
                                  "AvTime=12 sec",
                                  "CPUDelay=300",
                                  "CPULevel=  15",
                                  "LogLevel=3",
                                  "LogName=  padded.log",
                                  "LogPath=/var/log/nodrel/",
                                  "RunOnTop=2",
                                  "StartDelay=3.5",
                                  "StartMin=1",
                                  "Colour=red",
                                  "",
                                  "[Comms]",
                                  "DName=2",
                                  "IPAdd=partner.example",
                                  "Port1=40000"}));
}

TEST_F(ConfigReader, OutcomeOfEachDeviation) {
    const struct {
        const char* what;
        std::string text;
        ReadOutcome expected;
    } cases[] = {
        {"duplicate key stands in for a missing one", Replaced(valid, "CPUDelay=60", "AvTime=7"),
         ReadOutcome::Ok},
        {"sixteenth key", Replaced(valid, "[Run]", "[Run]\r\nAvTime=5"), ReadOutcome::Corrupted},
        {"missing section", Replaced(valid, "[Shutdown]\r\n", ""), ReadOutcome::Corrupted},
        {"duplicate section", Replaced(valid, "[Shutdown]", "[Run]"), ReadOutcome::Ok},
        {"lower-case section", ConfigData("lowercase_section.ini"), ReadOutcome::Corrupted},
        {"lower-case key", Replaced(valid, "AvTime=5", "avtime=5"), ReadOutcome::Corrupted},
        {"stray line is no key", Replaced(valid, "AvTime=5", "Colour=red"), ReadOutcome::Corrupted},
        {"indented '#' is no comment", Replaced(valid, "AvTime=5", "  # x\r\n  AvTime=5"),
         ReadOutcome::Ok},
        {"value too large", Replaced(valid, "CPUDelay=60", "CPUDelay=40000"),
         ReadOutcome::ReadError},
        {"rounds out of range", Replaced(valid, "CPUDelay=60", "CPUDelay=32767.5"),
         ReadOutcome::ReadError},
        {"huge exponent", Replaced(valid, "CPUDelay=60", "CPUDelay=1e400"), ReadOutcome::ReadError},
        {"read error wins over a miscount",
         Replaced(valid, "CPUDelay=60", "CPUDelay=4e4\nAvTime=1"), ReadOutcome::ReadError},
        {"port beyond 32 bits", Replaced(valid, "Port1=10001", "Port1=2147483648"),
         ReadOutcome::ReadError},
        {"empty file", "", ReadOutcome::Corrupted},
    };
    for (const auto& c : cases) EXPECT_EQ(Read(c.text), c.expected) << c.what;
}

TEST_F(ConfigReader, OnlyACompleteReadChangesTheSettings) {
    settings.CPUDelay = 123;
    ASSERT_EQ(Read(Replaced(valid, "CPUDelay=60", "AvTime=7")), ReadOutcome::Ok);
    EXPECT_EQ(settings.CPUDelay, 123);  // no line for it: the value from before stays
    EXPECT_EQ(settings.AvTime, 7);      // the later of two lines wins
    ASSERT_EQ(Read(Replaced(valid, "CPUDelay=60", "CPUDelay=1e10")), ReadOutcome::ReadError);
    EXPECT_EQ(settings.AvTime, 7);
}

TEST_F(ConfigReader, MissingUnreadableOrFolder) {
    EXPECT_EQ(ReadConfig(dir_ / "absent.ini", settings, listing), ReadOutcome::Missing);
    EXPECT_EQ(listing, JoinLines({"", "Configuration", "-------------"}));
    std::filesystem::create_directory(dir_ / "folder.ini");
    EXPECT_EQ(ReadConfig(dir_ / "folder.ini", settings, listing), ReadOutcome::Missing);
    // Opens, but every read fails: address 0 of a process is never mapped.
    EXPECT_EQ(ReadConfig("/proc/self/mem", settings, listing), ReadOutcome::ReadError);
}

TEST_F(ConfigReader, EveryTruncatedPrefixIsCorruptedUntilTheLastKeyIsComplete) {
    const std::size_t lastKeyEnd = valid.find("ShutType=") + std::string("ShutType=").size();
    for (std::size_t length = 0; length <= valid.size(); ++length) {
        const auto expected = length >= lastKeyEnd ? ReadOutcome::Ok : ReadOutcome::Corrupted;
        ASSERT_EQ(Read(valid.substr(0, length)), expected) << "prefix of " << length;
    }
}

TEST(ConfigMessages, StylesTitlesAndTexts) {
    const std::string reinstall = "\r\nReinstall the program to restore the file.";
    const std::string terminate = "\r\nThe program will now terminate.";
    const struct {
        Message message;
        int style;
        std::string title;
        std::string text;
    } cases[] = {
        {ReadFailureMessage(ReadOutcome::Missing), 16, " Configuration File Error",
         "The configuration file is either missing or corrupted." + reinstall + terminate},
        {ReadFailureMessage(ReadOutcome::Corrupted), 16, " Configuration File Error",
         "The configuration file is corrupted." + reinstall + terminate},
        {ReadFailureMessage(ReadOutcome::ReadError), 48, " Configuration File Read Error",
         "Unable to read the configuration file.\r\nThis may be a permissions problem." +
             terminate},
        {CheckFailureMessage(), 16, " Configuration File Error",
         "The configuration file is missing or corrupted." + reinstall + terminate},
        {WriteFailureMessage(), 48, " Configuration File Error",
         "Unable to write to the configuration file. Data/Nodrel4.ini\r\n"
         "This may be a permissions problem."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.message.style, c.style) << c.text;
        EXPECT_EQ(c.message.titleSuffix, c.title) << c.text;
        EXPECT_EQ(c.message.text, c.text);
    }
}

}  // namespace
}  // namespace nodrel
