#include "platform/linux/instance_guard.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

namespace nodrel::linux_platform {

AbstractSocketGuard::~AbstractSocketGuard() {
    if (fd_ >= 0) close(fd_);
}

bool AbstractSocketGuard::AnotherInstance() {
    if (fd_ >= 0) return false;  // already held by this process
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // Abstract namespace: a leading NUL, then the name, no terminator.
    const std::size_t length = std::min(name_.size(), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path + 1, name_.data(), length);
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
        fd_ = fd;
        return false;
    }
    const bool taken = errno == EADDRINUSE;
    close(fd);
    return taken;
}

}  // namespace nodrel::linux_platform
