#include "platform/linux/append_only_file.h"

#include <fcntl.h>
#include <unistd.h>

namespace nodrel::linux_platform {

bool AppendOnlyFile::Append(const std::filesystem::path& file, std::string_view bytes) {
    const int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    const bool closed = close(fd) == 0;
    return closed && written == static_cast<ssize_t>(bytes.size());
}

bool AppendOnlyFile::CreateNew(const std::filesystem::path& file) {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    return fd >= 0 && close(fd) == 0;
}

}  // namespace nodrel::linux_platform
