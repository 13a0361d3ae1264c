#include "platform/linux/udp_link.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace nodrel::linux_platform {

namespace {
// A name's address is looked up again after this long, while the old one stays in use.
constexpr auto RefreshAfter = std::chrono::seconds(60);
// Room for a few thousand datagrams, so a burst of junk while the program is not
// scheduled does not push the master's keep-alives out of the queue.
constexpr int ReceiveBuffer = 4 * 1024 * 1024;
}  // namespace

struct UdpLink::Lookup {
    std::string host;
    addrinfo hints{};
    gaicb request{};
    gaicb* list[1] = {&request};
    bool running = false;

    ~Lookup() {
        // A request still under way must not write into freed memory.
        if (running && gai_cancel(&request) != EAI_CANCELED) {
            while (gai_error(&request) == EAI_INPROGRESS) {
                const struct timespec pause{0, 1'000'000};
                nanosleep(&pause, nullptr);
            }
        }
        if (request.ar_result) freeaddrinfo(request.ar_result);
    }
};

UdpLink::UdpLink() = default;

UdpLink::~UdpLink() { Close(); }

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
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &ReceiveBuffer, sizeof ReceiveBuffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) return true;
    Close();
    return false;
}

void UdpLink::StartLookup(const std::string& host) {
    lookup_ = std::make_unique<Lookup>();
    lookup_->host = host;
    lookup_->hints.ai_family = AF_INET;
    lookup_->hints.ai_socktype = SOCK_DGRAM;
    lookup_->request.ar_name = lookup_->host.c_str();
    lookup_->request.ar_request = &lookup_->hints;
    lookup_->running = getaddrinfo_a(GAI_NOWAIT, lookup_->list, 1, nullptr) == 0;
    if (!lookup_->running) lookup_.reset();
}

void UdpLink::CollectLookup() {
    if (!lookup_ || gai_error(&lookup_->request) == EAI_INPROGRESS) return;
    lookup_->running = false;
    knownHost_ = lookup_->host;
    knownSince_ = std::chrono::steady_clock::now();
    knownAddress_.reset();
    if (gai_error(&lookup_->request) == 0 && lookup_->request.ar_result) {
        knownAddress_ =
            reinterpret_cast<const sockaddr_in*>(lookup_->request.ar_result->ai_addr)->sin_addr;
    }
    lookup_.reset();
}

std::optional<in_addr> UdpLink::AddressOf(const std::string& host) {
    in_addr numeric{};
    if (inet_pton(AF_INET, host.c_str(), &numeric) == 1) return numeric;
    if (host.empty()) return std::nullopt;
    CollectLookup();
    const bool known = knownHost_ == host;
    const bool stale = !known || std::chrono::steady_clock::now() - knownSince_ > RefreshAfter;
    if (stale && !(lookup_ && lookup_->host == host)) StartLookup(host);
    return known ? knownAddress_ : std::nullopt;
}

bool UdpLink::SendTo(const std::string& host, int port, std::string_view datagram) {
    const auto address = AddressOf(host);
    if (!address || port < 0 || port > 65535 || !EnsureSocket()) return false;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr = *address;
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
