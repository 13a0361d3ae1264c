// The log: the fixed-width line, the headers, the file never recreated, failure boxes.
#include <gtest/gtest.h>

#include <ranges>
#include <thread>

#include "fakes.h"
#include "log/log_file.h"
#ifdef _WIN32
#include "platform/windows/append_only_file.h"
using PlatformAppender = nodrel::windows_platform::AppendOnlyFile;
#else
#include "platform/linux/append_only_file.h"
using PlatformAppender = nodrel::linux_platform::AppendOnlyFile;
#endif

namespace nodrel::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStamp = "05-Dec-24 13:07:09";
constexpr std::string_view kListing = "[Run]\r\nLogLevel=3";
const std::string kCreationHeader =
    "Nodrel\r\nVersion 5.5\r\nFile Created\r\n05-Dec-24 13:07:09\r\n";

// Columns of nine and ten, the test marker, four count digits, readings only at level Full.
TEST(LogLine, FixedColumnsMarkerCountAndTheReadingsOfTheRoleAtLevelFull) {
    const struct {
        bool test;
        std::int16_t count, level, cmain;
        std::string_view comms, event, state, rest;
    } cases[] = {
        {false, 7, 2, 1, "", "Start", "Initialise", ",  Start    , Initialise, Count:   7"},
        {true, -5, 2, 1, "", "----------", "Hibernate etc", ", *---------, Hibernate , Count:  -5"},
        {false, -1234, 2, 1, "", "Run", "", ",  Run      ,           , Count:1234"},
        {false, 32767, 2, 1, "", "Run", "", ",  Run      ,           , Count:2767"},
        {false, 12, 3, 1, "", "Run", "",
         ",  Run      ,           , Count:  12, CPU:  3%, Av CPU: 12%"},
        {false, 0, 3, 2, "-OK-", "Run", "", ",  Run      ,           , Count:   0, Comms: -OK-"},
        {false, 0, 2, 2, "-OK-", "Run", "", ",  Run      ,           , Count:   0"},
        {false, 0, 3, 0, "-OK-", "Run", "", ",  Run      ,           , Count:   0"},
    };
    for (const auto& c : cases) {
        const LogContext context{c.test, c.count, c.level, c.cmain, "  3%", " 12%", c.comms};
        EXPECT_EQ(FormatLogLine(kStamp, c.event, c.state, context), std::string(kStamp) += c.rest);
    }
}

// In a scratch folder holding the log folder, named with letters beyond ASCII and a blank,
// given in UTF-8 as the settings hold it.
class LogFileTest : public ::testing::Test {
protected:
    LogFileTest() {
        fs::create_directory(logFolder);
        log.Configure("Größe und Maß/", "Nodrel.log");
    }
    // OpenLogFile, the blank separator and the start header, as the program starts.
    static void StartRun(LogFile& run, int level) {
        ASSERT_EQ(run.OpenLogFile("Nodrel", kStamp), LogFailure::None);
        ASSERT_EQ(run.WriteLog(kStamp, "", "", LogContext{}), LogFailure::None);
        ASSERT_EQ(run.WriteLogHeader(0, level, "Nodrel", kListing), LogFailure::None);
    }
    LogFailure Line() { return log.WriteLog(kStamp, "Run", "", LogContext{}); }

    ScratchFolder folder;
    const fs::path logFolder = folder.Path() / u8"Größe und Maß";
    const fs::path file = logFolder / "Nodrel.log";
    PlatformAppender appender;
    LogFile log{appender};
};

// A missing file is created with its header; an existing one is kept as it is. Only at
// level Full do the start and reload headers list the settings.
TEST_F(LogFileTest, StartAndReloadHeadersAndTwoRunsSeparatedByTwoEmptyLines) {
    StartRun(log, 3);
    ASSERT_EQ(log.WriteLogHeader(1, 3, "Nodrel", kListing), LogFailure::None);
    EXPECT_EQ(ReadBytes(file), kCreationHeader +
                                   "\r\n\r\nNodrel\r\nVersion 5.5\r\n[Run]\r\nLogLevel=3\r\n\r\n"
                                   "\r\n[Run]\r\nLogLevel=3\r\n\r\n");
    EXPECT_EQ(log.LastLogLine(), "\r\n");
    ASSERT_EQ(log.WriteLog(kStamp, "Start", "Initialise", LogContext{}), LogFailure::None);
    EXPECT_EQ(log.LastLogLine(), "05-Dec-24 13:07:09,  Start    , Initialise, Count:   0");
    const std::string firstRun = ReadBytes(file);
    EXPECT_TRUE(firstRun.ends_with("LogLevel=3\r\n\r\n" + log.LastLogLine() + "\r\n"));
    LogFile secondRun{appender};
    secondRun.Configure("Größe und Maß\\", "Nodrel.log");
    StartRun(secondRun, 2);
    // The exclusive create, which the Windows C runtime's fopen does not offer.
    EXPECT_FALSE(appender.CreateNew(file)) << "an existing log is never emptied";
    EXPECT_EQ(ReadBytes(file), firstRun + "\r\n\r\nNodrel\r\nVersion 5.5\r\n\r\n");
}

// Each failure is reported as its own kind, and neither folder nor file is ever created.
TEST_F(LogFileTest, EachFailureIsReportedAndNothingIsCreated) {
    fs::remove_all(logFolder);
    EXPECT_EQ(log.WriteLogHeader(0, 1, "Nodrel", kListing), LogFailure::None) << "level None";
    EXPECT_EQ(log.OpenLogFile("Nodrel", kStamp), LogFailure::FolderBeforeStart);
    EXPECT_EQ(log.WriteLogHeader(0, 2, "Nodrel", kListing), LogFailure::FolderBeforeStart);
    EXPECT_EQ(Line(), LogFailure::FolderWhileRunning);
    EXPECT_FALSE(fs::exists(logFolder));

    fs::create_directory(logFolder);
    StartRun(log, 2);
    fs::remove(file);
    EXPECT_EQ(Line(), LogFailure::FileMissing);
    EXPECT_EQ(log.WriteLogHeader(1, 3, "Nodrel", kListing), LogFailure::FileMissing);
    EXPECT_FALSE(fs::exists(file));

    fs::create_directory(file);  // a folder is no log file
    EXPECT_EQ(log.OpenLogFile("Nodrel", kStamp), LogFailure::CreateFailed);
    EXPECT_EQ(Line(), LogFailure::FileMissing);

    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    fs::remove(file);
    fs::create_symlink("/dev/full", file);
    EXPECT_EQ(log.OpenLogFile("Nodrel", kStamp), LogFailure::None) << "exists, left alone";
    EXPECT_EQ(log.WriteLogHeader(0, 2, "Nodrel", kListing), LogFailure::HeaderWriteFailed);
    EXPECT_EQ(Line(), LogFailure::LineWriteFailed);
}

// Two copies sharing a log (-AllowMulti) never mix or lose each other's lines.
TEST_F(LogFileTest, TwoCopiesSharingTheLogKeepEveryLineWhole) {
    StartRun(log, 2);
    const std::size_t header = ReadBytes(file).size();
    constexpr int kLines = 20'000;
    const auto copy = [this](std::string_view event) {
        LogFile other{appender};
        other.Configure("Größe und Maß/", "Nodrel.log");
        for (int i = 0; i < kLines; ++i) {
            if (other.WriteLog(kStamp, event, "", LogContext{}) != LogFailure::None) {
                ADD_FAILURE() << "line " << i << " of " << event;
                return;
            }
        }
    };
    std::thread first(copy, "First"), second(copy, "Second");
    first.join();
    second.join();
    std::map<std::string, int> lines;  // and the nothing after the last line end
    const std::string written = ReadBytes(file).substr(header);
    for (const auto text : std::views::split(written, CRLF))
        ++lines[std::string(text.begin(), text.end())];
    const auto line = [](std::string_view event) {
        return FormatLogLine(kStamp, event, "", LogContext{});
    };
    EXPECT_EQ(lines, (std::map<std::string, int>{
                         {line("First"), kLines}, {line("Second"), kLines}, {"", 1}}));
}

// The other failures' boxes: test_startup.cpp and e2e/test_nodreld.py.
TEST(LogFailureMessage, EachFailureHasItsOwnBox) {
    const std::tuple<LogFailure, std::string, std::string> cases[] = {
        {LogFailure::FolderWhileRunning, " Log Directory Error",
         "The log directory is either missing or\r\ncorrupted or there could be a permission\r\n"
         "problem. This directory must be created\r\nmanually if it is not the default one.\r\n"
         "To restore the default log directory\r\n reinstall the program.\r\n"
         "The program will now terminate."},
        {LogFailure::HeaderWriteFailed, " Log File Write Error",
         "Unable to write to the log file My.log.\r\nThis may be a permissions problem.\r\n"
         "The program will now terminate."},
        {LogFailure::LineWriteFailed, " Log File Write Error",
         "Unable to write to the log file My.log\r\nThis may be a permissions problem.\r\n"
         "The program will now terminate"},
    };
    for (const auto& [failure, title, text] : cases) {
        const Message m = LogFailureMessage(failure, "My.log");
        EXPECT_EQ(m.style, 48);
        EXPECT_EQ(m.titleSuffix + m.text, title + text);
    }
    EXPECT_EQ(LogFailureMessage(LogFailure::None, "My.log").text, "");
}

}  // namespace
}  // namespace nodrel::testing
