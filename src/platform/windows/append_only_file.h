#pragma once
// Log entries appended through a handle opened for appending only: one open, one write,
// one close.
#include "log/log_file.h"

namespace nodrel::windows_platform {

// The file is opened only if it exists, so a log removed while the program runs is not
// recreated. A handle with append access alone writes every entry at the end of the file
// in one piece: copies sharing a log never mix their lines.
class AppendOnlyFile : public nodrel::Appender {
public:
    bool Append(const std::filesystem::path& file, std::string_view bytes) override;
};

}  // namespace nodrel::windows_platform
