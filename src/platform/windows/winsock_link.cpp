#include "platform/windows/winsock_link.h"

#include <mswsock.h>
#include <ws2tcpip.h>

#include <array>
#include <chrono>
#include <cstring>

namespace nodrel::windows_platform {

namespace {
// Room for a few thousand datagrams, so a burst of junk while the program is not
// scheduled does not push the master's keep-alives out of the queue.
constexpr int kReceiveBuffer = 4 * 1024 * 1024;
}  // namespace

WinsockLink::WinsockLink() {
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
    WSAIoctl(socket_, SIO_UDP_CONNRESET, &reportResets, sizeof reportResets, nullptr, 0, &returned,
             nullptr, nullptr);
    setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&kReceiveBuffer),
               sizeof kReceiveBuffer);
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

bool WinsockLink::SendTo(const std::string& host, int port, std::string_view datagram) {
    const auto address = partner_.For(host, std::chrono::steady_clock::now());
    if (!address || port < 0 || port > 65535 || !EnsureSocket()) return false;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    std::memcpy(&remote.sin_addr, address->data(), address->size());
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
