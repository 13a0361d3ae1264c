#pragma once
// Reading Data/Nodrel4.ini into Settings, and the listing of it for the log header.
#include <filesystem>
#include <string>

#include "common/text.h"
#include "config/file_texts.h"
#include "config/settings.h"

namespace nodrel {

enum class ReadOutcome {
    Ok,
    Missing,    // the file does not exist
    Corrupted,  // key or section counters not used up at the end
    ReadError,  // opening or reading failed, or a value does not fit its field
};

// Fills the fields the file supplies (others keep their values) and rebuilds `listing`.
// Lines may end in LF or CR LF. A file that is valid UTF-8 is read as UTF-8, any other
// through `encoding`; `texts` gets the text keys' bytes as the file holds them.
ReadOutcome ReadConfigFile(const std::filesystem::path& file, Settings& settings,
                           std::string& listing, FileTexts& texts, const FileEncoding& encoding);
// The same with the standard encoding, keeping no bytes.
ReadOutcome ReadConfigFile(const std::filesystem::path& file, Settings& settings,
                           std::string& listing);

// The message box for a failed read (title suffix, style, text).
Message ReadFailureMessage(ReadOutcome outcome);

}  // namespace nodrel
