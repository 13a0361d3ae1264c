#include "log/log_file.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

#include "config/codes.h"
#include "config/settings.h"

namespace nodrel {

namespace {

namespace fs = std::filesystem;

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

class CstdioAppender : public Appender {
public:
    bool Append(const fs::path& file, std::string_view bytes) override {
        if (!FileExists(file)) return false;
        std::FILE* stream = std::fopen(file.string().c_str(), "ab");
        if (stream == nullptr) return false;
        std::setvbuf(stream, nullptr, _IONBF, 0);  // the bytes go out in one piece
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
        return std::fclose(stream) == 0 && written;
    }
    // Relies on fopen's exclusive "x", which not every C runtime honours; the platforms'
    // appenders create the log with the system's own exclusive create.
    bool CreateNew(const fs::path& file) override {
        std::FILE* stream = std::fopen(file.string().c_str(), "wbx");
        return stream != nullptr && std::fclose(stream) == 0;
    }
};

std::string VersionLine() {
    return "Version " + std::string(kVersion);
}

std::string HeaderText(int mode, int logLevel, std::string_view progTitle,
                       std::string_view listing) {
    std::string text;
    if (mode == kModeStartUp) {
        text = JoinLines({progTitle, VersionLine(), ""});
        if (logLevel == kLogFull) text += JoinLines({listing, ""});
    } else {
        text = JoinLines({"", listing, ""});
    }
    return text;
}

Message FailureBox(std::string_view titleSuffix, std::string text) {
    return Message{box::kExclamation, std::string(titleSuffix), std::move(text)};
}

}  // namespace

Appender& StandardAppender() {
    static CstdioAppender appender;
    return appender;
}

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

LogFailure LogFile::AppendEntry(std::string_view text, LogFailure folderMissing,
                                LogFailure writeFailed) {
    entry_.assign(text);
    entry_ += CRLF;
    if (appender_->Append(file_, entry_)) return LogFailure::None;
    if (!FolderExists(folder_)) return folderMissing;
    if (!FileExists(file_)) return LogFailure::FileMissing;
    return writeFailed;
}

LogFailure LogFile::OpenLogFile(std::string_view progTitle, std::string_view stamp) {
    if (!FolderExists(folder_)) return LogFailure::FolderBeforeStart;
    const fs::path file = FilePath();
    if (FileExists(file)) return LogFailure::None;
    if (!appender_->CreateNew(file)) return LogFailure::CreateFailed;
    const std::string header = JoinLines({progTitle, VersionLine(), "File Created", stamp});
    const LogFailure failure =
        AppendEntry(header, LogFailure::FolderBeforeStart, LogFailure::CreateFailed);
    return failure == LogFailure::None ? failure : LogFailure::CreateFailed;
}

LogFailure LogFile::WriteLogHeader(int mode, int logLevel, std::string_view progTitle,
                                   std::string_view listing) {
    if (logLevel <= kLogNone) return LogFailure::None;
    return AppendEntry(HeaderText(mode, logLevel, progTitle, listing),
                       LogFailure::FolderBeforeStart, LogFailure::HeaderWriteFailed);
}

LogFailure LogFile::WriteLog(std::string_view stamp, std::string_view event, std::string_view state,
                             const LogContext& context) {
    if (event.empty() && state.empty()) {
        lastLogLine_ += CRLF;
    } else {
        lastLogLine_ = FormatLogLine(stamp, event, state, context);
    }
    return AppendEntry(lastLogLine_, LogFailure::FolderWhileRunning, LogFailure::LineWriteFailed);
}

}  // namespace nodrel
