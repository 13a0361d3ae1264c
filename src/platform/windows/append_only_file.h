#pragma once
// Log entries appended through a handle opened for appending: one open, one locked write,
// one close.
#include "log/log_file.h"

namespace nodrel::windows_platform {

// The file is opened only if it exists, so a log removed while the program runs is not
// recreated. Each entry is written at the end of the file in one piece under a lock on the
// file: copies sharing a log (or threads of one) never mix their lines. A lock that stays
// taken for 2 s fails the write rather than holding up the program.
class AppendOnlyFile : public nodrel::Appender {
public:
    bool Append(const std::filesystem::path& file, std::string_view bytes) override;
    bool CreateNew(const std::filesystem::path& file) override;
};

}  // namespace nodrel::windows_platform
