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
    FolderBeforeStart,   // LogPath missing, seen by OpenLogFile or WriteLogHeader
    FolderWhileRunning,  // LogPath missing, seen by WriteLog
    FileMissing,         // the log file is gone (WriteLogHeader, WriteLog)
    CreateFailed,        // OpenLogFile could not create or write the file
    HeaderWriteFailed,   // WriteLogHeader could not append
    LineWriteFailed,     // WriteLog could not append
};

// The message box for a failure; `logName` is the LogName setting.
Message LogFailureMessage(LogFailure failure, std::string_view logName);

// Adds bytes to the end of an existing file in one step, never creating it.
class Appender {
public:
    virtual ~Appender() = default;
    // False when the file cannot be opened for writing or not every byte was written.
    virtual bool Append(const std::filesystem::path& file, std::string_view bytes) = 0;
    // Creates an empty file and closes it; false when it exists already (it is never
    // replaced) or cannot be made.
    virtual bool CreateNew(const std::filesystem::path& file) = 0;
};

// What standard C++ can do: it must look for the file first, as it cannot open a file for
// appending without creating it.
Appender& StandardAppender();

class LogFile {
public:
    explicit LogFile(Appender& appender = StandardAppender()) : appender_(&appender) {}

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
    // One entry with its line end, in one append; the failure's kind is looked up only when
    // the append failed.
    LogFailure AppendEntry(std::string_view text, LogFailure folderMissing, LogFailure writeFailed);

    Appender* appender_;
    std::string entry_;  // kept, so that a line a second allocates nothing
    std::filesystem::path folder_;
    std::filesystem::path file_;
    std::string lastLogLine_;
};

}  // namespace nodrel
