#include "platform/windows/winsock_link.h"

#include <mswsock.h>
#include <ws2tcpip.h>

#include <array>
#include <mutex>
#include <optional>
#include <thread>

namespace nodrel::windows_platform {

namespace {
// A name's address is looked up again after this long, a failed look-up after the short
// pause; the last good address stays in use meanwhile.
constexpr auto RefreshAfter = std::chrono::seconds(60);
constexpr auto RetryAfter = std::chrono::seconds(5);
constexpr int ReceiveBuffer = 4 * 1024 * 1024;
using Clock = std::chrono::steady_clock;

std::optional<in_addr> Resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return address;
}
}  // namespace

// Shared with the look-up thread, which may outlive the link.
struct WinsockLink::Names {
    std::mutex lock;
    std::string host;
    std::optional<in_addr> address;
    Clock::time_point due{};
    bool running = false;
};

WinsockLink::WinsockLink() : names_(std::make_shared<Names>()) {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    arrival_ = WSACreateEvent();
}

WinsockLink::~WinsockLink() {
    Close();
    if (arrival_) WSACloseEvent(arrival_);
    if (started_) WSACleanup();
}

void WinsockLink::NotifyWindow(HWND window, UINT message) {
    window_ = window;
    message_ = message;
    if (socket_ != INVALID_SOCKET) Announce();
}

void WinsockLink::Announce() {
    if (window_) {
        WSAAsyncSelect(socket_, window_, message_, FD_READ);
    } else {
        WSAEventSelect(socket_, arrival_, FD_READ);
    }
}

void WinsockLink::Close() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
    if (arrival_) WSAResetEvent(arrival_);
}

bool WinsockLink::EnsureSocket() {
    if (socket_ != INVALID_SOCKET) return true;
    if (!started_) return false;
    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket_ == INVALID_SOCKET) return false;
    u_long nonBlocking = 1;
    ioctlsocket(socket_, FIONBIO, &nonBlocking);
    // A datagram refused by the far end must not turn into an error on the next read.
    BOOL reportResets = FALSE;
    DWORD returned = 0;
    WSAIoctl(socket_, SIO_UDP_CONNRESET, &reportResets, sizeof reportResets, nullptr, 0,
             &returned, nullptr, nullptr);
    setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&ReceiveBuffer),
               sizeof ReceiveBuffer);
    Announce();
    return true;
}

bool WinsockLink::Bind(int port) {
    Close();
    if (port < 0 || port > 65535 || !EnsureSocket()) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<u_short>(port));
    // Never shared with another program's socket on the same port.
    BOOL exclusive = TRUE;
    setsockopt(socket_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) return true;
    Close();
    return false;
}

bool WinsockLink::AddressOf(const std::string& host, in_addr& address) {
    if (host.empty()) return false;
    if (inet_pton(AF_INET, host.c_str(), &address) == 1) return true;
    const std::shared_ptr<Names> names = names_;
    std::lock_guard<std::mutex> held(names->lock);
    if (names->host != host) {
        names->host = host;
        names->address.reset();
        names->due = {};
    }
    if (!names->running && Clock::now() >= names->due) {
        names->running = true;
        std::thread([names, host] {
            const auto found = Resolve(host);
            std::lock_guard<std::mutex> done(names->lock);
            names->running = false;
            if (names->host != host) return;
            if (found) names->address = found;
            names->due = Clock::now() + (found ? RefreshAfter : RetryAfter);
        }).detach();
    }
    if (!names->address) return false;
    address = *names->address;
    return true;
}

bool WinsockLink::SendTo(const std::string& host, int port, std::string_view datagram) {
    in_addr address{};
    if (port < 0 || port > 65535 || !AddressOf(host, address) || !EnsureSocket()) return false;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr = address;
    remote.sin_port = htons(static_cast<u_short>(port));
    const int sent = sendto(socket_, datagram.data(), static_cast<int>(datagram.size()), 0,
                            reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    return sent == static_cast<int>(datagram.size());
}

void WinsockLink::Receive(const std::function<void(std::string_view)>& deliver, int limit) {
    if (socket_ == INVALID_SOCKET) return;
    // Every read re-arms the announcement while datagrams remain, so the event may be
    // cleared first.
    if (!window_) WSAResetEvent(arrival_);
    std::array<char, 65536> buffer;
    for (int i = 0; i < limit && socket_ != INVALID_SOCKET; ++i) {
        const int n = recv(socket_, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (n < 0) return;  // nothing more waiting
        deliver(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
}

}  // namespace nodrel::windows_platform
