#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "log/log_file.h"

namespace nodrel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStamp = "05-Dec-24 13:07:09";
constexpr std::string_view kTitle = "Nodrel";
constexpr std::string_view kListing = "[Run]\r\nLogLevel=3";

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

LogContext Normal() {
    LogContext context;
    context.logLevel = 2;
    context.cmain = 1;
    return context;
}

// Each test gets a fresh folder holding the log folder "Log".
class LogFileTest : public testing::Test {
  protected:
    LogFileTest() {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        scratch_ = fs::temp_directory_path() / ("nodrel_log_" + std::string(test->name()) + "_" +
                                                std::to_string(std::random_device{}()));
        logFolder_ = scratch_ / "Log";
        fs::create_directories(logFolder_);
        logFile_ = logFolder_ / "Nodrel.log";
        log_.Configure(logFolder_.string() + "/", "Nodrel.log");
    }
    ~LogFileTest() override {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }

    // OpenLogFile, the blank separator and the start header, as the program starts.
    void StartRun(LogFile& log, int level) {
        ASSERT_EQ(log.OpenLogFile(kTitle, kStamp), LogFailure::None);
        ASSERT_EQ(log.WriteLog(kStamp, "", "", Normal()), LogFailure::None);
        ASSERT_EQ(log.WriteLogHeader(0, level, kTitle, kListing), LogFailure::None);
    }

    fs::path scratch_;
    fs::path logFolder_;
    fs::path logFile_;
    LogFile log_;
};

const std::string kCreationHeader =
    "Nodrel\r\nVersion 5.5\r\nFile Created\r\n05-Dec-24 13:07:09\r\n";

TEST_F(LogFileTest, PathJoinsFolderAndNameWithEitherSeparator) {
    LogFile log;
    log.Configure("data\\logs\\", "Nodrel.log");
    EXPECT_EQ(log.FilePath(), fs::path("data/logs/Nodrel.log"));
    log.Configure("/var/log/nodrel/", "run.log");
    EXPECT_EQ(log.FilePath(), fs::path("/var/log/nodrel/run.log"));
}

TEST_F(LogFileTest, RelativePathResolvesAgainstCurrentDirectory) {
    const fs::path previous = fs::current_path();
    fs::current_path(scratch_);
    LogFile log;
    log.Configure("Log\\", "Relative.log");
    const LogFailure result = log.OpenLogFile(kTitle, kStamp);
    fs::current_path(previous);
    EXPECT_EQ(result, LogFailure::None);
    EXPECT_EQ(ReadBytes(logFolder_ / "Relative.log"), kCreationHeader);
}

TEST_F(LogFileTest, MissingFileIsCreatedWithHeaderAndExistingFileIsKept) {
    ASSERT_EQ(log_.OpenLogFile(kTitle, kStamp), LogFailure::None);
    EXPECT_EQ(ReadBytes(logFile_), kCreationHeader);

    WriteBytes(logFile_, "earlier run\r\n");
    ASSERT_EQ(log_.OpenLogFile(kTitle, "06-Dec-24 00:00:00"), LogFailure::None);
    EXPECT_EQ(ReadBytes(logFile_), "earlier run\r\n");
}

TEST_F(LogFileTest, StartHeaderAtNormalLevelHasNoListing) {
    StartRun(log_, 2);
    EXPECT_EQ(ReadBytes(logFile_), kCreationHeader + "\r\n\r\n" + "Nodrel\r\nVersion 5.5\r\n\r\n");
    EXPECT_EQ(log_.LastLogLine(), "\r\n");
}

TEST_F(LogFileTest, StartHeaderAtFullLevelAndReloadHeaderCarryTheListing) {
    StartRun(log_, 3);
    ASSERT_EQ(log_.WriteLogHeader(1, 3, kTitle, kListing), LogFailure::None);
    EXPECT_EQ(ReadBytes(logFile_), kCreationHeader + "\r\n\r\n" +
                                       "Nodrel\r\nVersion 5.5\r\n[Run]\r\nLogLevel=3\r\n\r\n" +
                                       "\r\n[Run]\r\nLogLevel=3\r\n\r\n");
}

TEST_F(LogFileTest, LinesAreAppendedAndTwoRunsAreSeparatedByTwoEmptyLines) {
    StartRun(log_, 2);
    ASSERT_EQ(log_.WriteLog(kStamp, "Start", "Initialise", Normal()), LogFailure::None);
    EXPECT_EQ(log_.LastLogLine(), "05-Dec-24 13:07:09,  Start    , Initialise, Count:   0");
    const std::string firstRun = ReadBytes(logFile_);
    EXPECT_TRUE(
        firstRun.ends_with("\r\n05-Dec-24 13:07:09,  Start    , Initialise, Count:   0\r\n"));

    LogFile secondRun;
    secondRun.Configure(logFolder_.string() + "\\", "Nodrel.log");
    StartRun(secondRun, 2);
    EXPECT_EQ(ReadBytes(logFile_), firstRun + "\r\n\r\nNodrel\r\nVersion 5.5\r\n\r\n");
}

TEST_F(LogFileTest, HeaderAtLevelNoneTouchesNothing) {
    fs::remove_all(logFolder_);
    EXPECT_EQ(log_.WriteLogHeader(0, 1, kTitle, kListing), LogFailure::None);
    EXPECT_FALSE(fs::exists(logFolder_));
}

TEST_F(LogFileTest, MissingFolderIsReportedAndNeverCreated) {
    fs::remove_all(logFolder_);
    EXPECT_EQ(log_.OpenLogFile(kTitle, kStamp), LogFailure::FolderBeforeStart);
    EXPECT_EQ(log_.WriteLogHeader(0, 2, kTitle, kListing), LogFailure::FolderBeforeStart);
    EXPECT_EQ(log_.WriteLog(kStamp, "Run", "", Normal()), LogFailure::FolderWhileRunning);
    EXPECT_FALSE(fs::exists(logFolder_));
}

TEST_F(LogFileTest, FileDeletedWhileRunningIsReportedAndNotRecreated) {
    StartRun(log_, 2);
    fs::remove(logFile_);
    EXPECT_EQ(log_.WriteLog(kStamp, "Run", "", Normal()), LogFailure::FileMissing);
    EXPECT_EQ(log_.WriteLogHeader(1, 3, kTitle, kListing), LogFailure::FileMissing);
    EXPECT_FALSE(fs::exists(logFile_));
}

TEST_F(LogFileTest, FolderInPlaceOfTheFileCannotBeCreatedOrWritten) {
    fs::create_directory(logFile_);
    EXPECT_EQ(log_.OpenLogFile(kTitle, kStamp), LogFailure::CreateFailed);
    EXPECT_EQ(log_.WriteLog(kStamp, "Run", "", Normal()), LogFailure::FileMissing);
}

TEST_F(LogFileTest, FailedWritesAreReported) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    fs::create_symlink("/dev/full", logFile_);
    EXPECT_EQ(log_.OpenLogFile(kTitle, kStamp), LogFailure::None);  // exists, left alone
    EXPECT_EQ(log_.WriteLogHeader(0, 2, kTitle, kListing), LogFailure::HeaderWriteFailed);
    EXPECT_EQ(log_.WriteLog(kStamp, "Run", "", Normal()), LogFailure::LineWriteFailed);
}

TEST_F(LogFileTest, ReadOnlyFileIsAWriteFailure) {
    WriteBytes(logFile_, "kept\r\n");
    fs::permissions(logFile_, fs::perms::owner_read);
    if (std::ofstream(logFile_, std::ios::app)) GTEST_SKIP() << "permissions are not enforced";
    EXPECT_EQ(log_.WriteLog(kStamp, "Run", "", Normal()), LogFailure::LineWriteFailed);
    EXPECT_EQ(ReadBytes(logFile_), "kept\r\n");
}

TEST(LogFailureMessageTest, EachFailureHasItsOwnBox) {
    struct Case {
        LogFailure failure;
        std::string_view title;
        std::string_view text;
    };
    const Case cases[] = {
        {LogFailure::FolderBeforeStart, " Log Directory Error",
         "The log directory does not exist. This\r\ndirectory must be created manually if\r\n"
         "it is not the default one. To restore\r\nthe default log directory reinstall\r\n"
         "the program.\r\nThe program will now terminate."},
        {LogFailure::FolderWhileRunning, " Log Directory Error",
         "The log directory is either missing or\r\ncorrupted or there could be a permission\r\n"
         "problem. This directory must be created\r\nmanually if it is not the default one.\r\n"
         "To restore the default log directory\r\n reinstall the program.\r\n"
         "The program will now terminate."},
        {LogFailure::FileMissing, " Log File Error",
         "The log file is either missing or\r\ncorrupted. Delete the log file if\r\n"
         "it exists and restart the program.\r\nThe program will now terminate."},
        {LogFailure::CreateFailed, " Log File Error",
         "Unable to create the log file My.log.\r\nThis may be a permissions problem.\r\n"
         "The program will now terminate."},
        {LogFailure::HeaderWriteFailed, " Log File Write Error",
         "Unable to write to the log file My.log.\r\nThis may be a permissions problem.\r\n"
         "The program will now terminate."},
        {LogFailure::LineWriteFailed, " Log File Write Error",
         "Unable to write to the log file My.log\r\nThis may be a permissions problem.\r\n"
         "The program will now terminate"},
    };
    for (const auto& [failure, title, text] : cases) {
        const Message message = LogFailureMessage(failure, "My.log");
        EXPECT_EQ(message.style, 48) << text;
        EXPECT_EQ(message.titleSuffix, title);
        EXPECT_EQ(message.text, text);
    }
    EXPECT_TRUE(LogFailureMessage(LogFailure::None, "My.log").text.empty());
}

}  // namespace
}  // namespace nodrel
