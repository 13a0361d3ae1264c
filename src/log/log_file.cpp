#include "log/log_file.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

#include "common/new_file.h"
#include "config/settings.h"

namespace nodrel {

namespace {

namespace fs = std::filesystem;

constexpr int kMessageStyle = 48;  // exclamation icon, OK button
constexpr int kLevelNone = 1;
constexpr int kLevelFull = 3;
constexpr int kModeStartUp = 0;

constexpr std::string_view kTerminate = "The program will now terminate.";
constexpr std::string_view kPermissions = "This may be a permissions problem.";

bool FolderExists(const fs::path& folder) {
    std::error_code error;
    return fs::is_directory(folder, error);
}

// A folder of the same name is not a log file.
bool FileExists(const fs::path& file) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    return fs::exists(status) && !fs::is_directory(status);
}

bool WriteAll(std::FILE* stream, std::string_view bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}

// Appends the text and a line end to an existing file. Opening for update rather than
// for appending keeps a file that vanished since it was checked from being recreated.
bool AppendEntry(const fs::path& file, std::string_view text) {
    std::FILE* stream = std::fopen(file.string().c_str(), "r+b");
    if (stream == nullptr) return false;
    const bool written = std::fseek(stream, 0, SEEK_END) == 0 && WriteAll(stream, text) &&
                         WriteAll(stream, CRLF) && std::fflush(stream) == 0;
    const bool closed = std::fclose(stream) == 0;
    return written && closed;
}

std::string VersionLine() {
    return "Version " + std::string(Version);
}

std::string HeaderText(int mode, int logLevel, std::string_view progTitle,
                       std::string_view listing) {
    std::string text;
    if (mode == kModeStartUp) {
        text = JoinLines({progTitle, VersionLine(), ""});
        if (logLevel == kLevelFull) text += JoinLines({listing, ""});
    } else {
        text = JoinLines({"", listing, ""});
    }
    return text;
}

// One entry appended to a log file that must already exist in an existing folder.
LogFailure AppendToExisting(const fs::path& folder, const fs::path& file, std::string_view text,
                            LogFailure folderMissing, LogFailure writeFailed) {
    if (!FolderExists(folder)) return folderMissing;
    if (!FileExists(file)) return LogFailure::FileMissing;
    return AppendEntry(file, text) ? LogFailure::None : writeFailed;
}

Message FailureBox(std::string_view titleSuffix, std::string text) {
    return Message{kMessageStyle, std::string(titleSuffix), std::move(text)};
}

}  // namespace

Message LogFailureMessage(LogFailure failure, std::string_view logName) {
    const std::string name(logName);
    switch (failure) {
        case LogFailure::FolderBeforeStart:
            return FailureBox(
                " Log Directory Error",
                JoinLines({"The log directory does not exist. This",
                           "directory must be created manually if",
                           "it is not the default one. To restore",
                           "the default log directory reinstall", "the program.", kTerminate}));
        case LogFailure::FolderWhileRunning:
            return FailureBox(" Log Directory Error",
                              JoinLines({"The log directory is either missing or",
                                         "corrupted or there could be a permission",
                                         "problem. This directory must be created",
                                         "manually if it is not the default one.",
                                         "To restore the default log directory",
                                         " reinstall the program.", kTerminate}));
        case LogFailure::FileMissing:
            return FailureBox(
                " Log File Error",
                JoinLines({"The log file is either missing or", "corrupted. Delete the log file if",
                           "it exists and restart the program.", kTerminate}));
        case LogFailure::CreateFailed:
            return FailureBox(" Log File Error",
                              JoinLines({"Unable to create the log file " + name + ".",
                                         kPermissions, kTerminate}));
        case LogFailure::HeaderWriteFailed:
            return FailureBox(" Log File Write Error",
                              JoinLines({"Unable to write to the log file " + name + ".",
                                         kPermissions, kTerminate}));
        case LogFailure::LineWriteFailed:
            // This box alone has no full stop after the file name and none at the end.
            return FailureBox(" Log File Write Error",
                              JoinLines({"Unable to write to the log file " + name, kPermissions,
                                         kTerminate.substr(0, kTerminate.size() - 1)}));
        case LogFailure::None:
            break;
    }
    return Message{};
}

void LogFile::Configure(std::string_view logPath, std::string_view logName) {
    folder_ = LocalPath(logPath);
    file_ = LocalPath(std::string(logPath) + std::string(logName));
}

std::filesystem::path LogFile::FilePath() const {
    return file_;
}

LogFailure LogFile::OpenLogFile(std::string_view progTitle, std::string_view stamp) {
    if (!FolderExists(folder_)) return LogFailure::FolderBeforeStart;
    const fs::path file = FilePath();
    if (FileExists(file)) return LogFailure::None;
    if (!CreateNewFile(file)) return LogFailure::CreateFailed;
    const std::string header = JoinLines({progTitle, VersionLine(), "File Created", stamp});
    return AppendEntry(file, header) ? LogFailure::None : LogFailure::CreateFailed;
}

LogFailure LogFile::WriteLogHeader(int mode, int logLevel, std::string_view progTitle,
                                   std::string_view listing) {
    if (logLevel <= kLevelNone) return LogFailure::None;
    return AppendToExisting(folder_, FilePath(), HeaderText(mode, logLevel, progTitle, listing),
                            LogFailure::FolderBeforeStart, LogFailure::HeaderWriteFailed);
}

LogFailure LogFile::WriteLog(std::string_view stamp, std::string_view event, std::string_view state,
                             const LogContext& context) {
    if (event.empty() && state.empty()) {
        lastLogLine_ += CRLF;
    } else {
        lastLogLine_ = FormatLogLine(stamp, event, state, context);
    }
    return AppendToExisting(folder_, FilePath(), lastLogLine_, LogFailure::FolderWhileRunning,
                            LogFailure::LineWriteFailed);
}

}  // namespace nodrel
