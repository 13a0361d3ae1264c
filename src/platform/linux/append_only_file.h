#pragma once
// Log entries appended with O_APPEND: one open, one write, one close.
#include "log/log_file.h"

namespace nodrel::linux_platform {

// The file is opened without O_CREAT, so a log removed while the program runs is not
// recreated, and write-only, so a log the user may write but not read is enough. Each
// entry is a single write at the end of the file: copies sharing a log never mix their
// lines, and a log truncated in place (copytruncate) goes on from its new end.
class AppendOnlyFile : public nodrel::Appender {
public:
    bool Append(const std::filesystem::path& file, std::string_view bytes) override;
    bool CreateNew(const std::filesystem::path& file) override;
};

}  // namespace nodrel::linux_platform
