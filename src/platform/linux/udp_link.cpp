#include "platform/linux/udp_link.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace nodrel::linux_platform {

namespace {
// Room for a few thousand datagrams, so a burst of junk while the program is not
// scheduled does not push the master's keep-alives out of the queue.
constexpr int kReceiveBuffer = 4 * 1024 * 1024;
}  // namespace

UdpLink::~UdpLink() {
    Close();
}

void UdpLink::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

bool UdpLink::EnsureSocket() {
    if (fd_ < 0) fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    return fd_ >= 0;
}

bool UdpLink::Bind(int port) {
    Close();
    if (port < 0 || port > 65535 || !EnsureSocket()) return false;
    // Best effort: the system caps it at its own limit.
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) return true;
    Close();
    return false;
}

bool UdpLink::SendTo(const std::string& host, int port, std::string_view datagram) {
    const auto address = partner_.For(host, std::chrono::steady_clock::now());
    if (!address || port < 0 || port > 65535 || !EnsureSocket()) return false;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    std::memcpy(&remote.sin_addr, address->data(), address->size());
    remote.sin_port = htons(static_cast<std::uint16_t>(port));
    const ssize_t sent = sendto(fd_, datagram.data(), datagram.size(), MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    return sent == static_cast<ssize_t>(datagram.size());
}

void UdpLink::Receive(const std::function<void(std::string_view)>& deliver, int limit) {
    std::array<char, 65536> buffer;
    for (int i = 0; i < limit && fd_ >= 0; ++i) {
        const ssize_t n = recv(fd_, buffer.data(), buffer.size(), 0);
        if (n < 0) return;  // nothing more waiting (or an error the next poll shows again)
        deliver(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
}

}  // namespace nodrel::linux_platform
