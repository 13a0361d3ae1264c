#include "platform/linux/service_notifier.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace nodrel::linux_platform {

ServiceNotifier::ServiceNotifier() {
    const char* address = std::getenv("NOTIFY_SOCKET");
    if (!address || (address[0] != '/' && address[0] != '@')) return;
    address_ = address;
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0) aliveEvery_ = std::chrono::microseconds(usec / 4);
}

ServiceNotifier::~ServiceNotifier() {
    if (fd_ >= 0) close(fd_);
}

bool ServiceNotifier::Connect() {
    sockaddr_un to{};
    to.sun_family = AF_UNIX;
    if (address_.size() >= sizeof to.sun_path) return false;
    std::memcpy(to.sun_path, address_.data(), address_.size());
    if (to.sun_path[0] == '@') to.sun_path[0] = '\0';
    if (fd_ < 0) fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address_.size());
    return fd_ >= 0 && connect(fd_, reinterpret_cast<const sockaddr*>(&to), length) == 0;
}

bool ServiceNotifier::Send(const std::string& message) {
    if (address_.empty()) return false;
    // Connected once, so that each message is a single system call; connected again when
    // the manager's socket was replaced.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0 || fd_ < 0) {
            if (!Connect()) return false;
        }
        // Never blocks the tick: a manager that does not read loses a message.
        if (send(fd_, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) {
            return true;
        }
        if (errno != ECONNREFUSED && errno != ENOTCONN) return false;
    }
    return false;
}

void ServiceNotifier::Ready() {
    Send("READY=1");
}

void ServiceNotifier::Status(const std::string& text) {
    if (text == lastStatus_ || address_.empty()) return;
    if (Send("STATUS=" + text)) lastStatus_ = text;
}

void ServiceNotifier::Alive() {
    if (aliveEvery_ == std::chrono::steady_clock::duration::zero()) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastAlive_ < aliveEvery_) return;
    if (Send("WATCHDOG=1")) lastAlive_ = now;
}

}  // namespace nodrel::linux_platform
