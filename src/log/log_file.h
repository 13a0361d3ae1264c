#pragma once
// The log file: opened, appended to and closed for every entry.
#include <filesystem>
#include <string>
#include <string_view>

#include "common/text.h"
#include "log/log_line.h"

namespace nodrel {

enum class LogFailure {
    None,
    FolderBeforeStart,  // LogPath missing, seen by OpenLogFile or WriteLogHeader
    FolderWhileRunning, // LogPath missing, seen by WriteLog
    FileMissing,        // the log file is gone (WriteLogHeader, WriteLog)
    CreateFailed,       // OpenLogFile could not create or write the file
    HeaderWriteFailed,  // WriteLogHeader could not append
    LineWriteFailed,    // WriteLog could not append
};

// The message box for a failure; `logName` is the LogName setting.
Message LogFailureMessage(LogFailure failure, std::string_view logName);

class LogFile {
public:
    // LogPath and LogName as the settings hold them. LogPath ends in '\' or '/'.
    void Configure(std::string_view logPath, std::string_view logName);
    std::filesystem::path FilePath() const;

    // Creates a missing file with its creation header; an existing file is left alone.
    // Callers skip this at level None.
    LogFailure OpenLogFile(std::string_view progTitle, std::string_view stamp);

    // mode 0: the start-up header (with the listing at level Full); mode 1: the listing.
    LogFailure WriteLogHeader(int mode, int logLevel, std::string_view progTitle,
                              std::string_view listing);

    // One line; with both texts empty, the last line built so far again with one more line
    // end (at start-up, when there is none yet, two empty lines).
    LogFailure WriteLog(std::string_view stamp, std::string_view event, std::string_view state,
                        const LogContext& context);

    const std::string& LastLogLine() const { return lastLogLine_; }

private:
    std::filesystem::path folder_;
    std::filesystem::path file_;
    std::string lastLogLine_;
};

}  // namespace nodrel
