#pragma once
// The link's UDP socket: non-blocking, IPv4. Host names are looked up in the
// background so that no tick ever waits for a name server.
#include <netdb.h>
#include <netinet/in.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/link_socket.h"

namespace nodrel::linux_platform {

class UdpLink : public nodrel::LinkSocket {
public:
    UdpLink();
    ~UdpLink() override;
    UdpLink(const UdpLink&) = delete;
    UdpLink& operator=(const UdpLink&) = delete;

    void Close() override;
    bool Bind(int port) override;
    bool SendTo(const std::string& host, int port, std::string_view datagram) override;

    // The descriptor to watch for arriving datagrams; -1 while there is no socket.
    int Fd() const { return fd_; }
    // Reads up to `limit` waiting datagrams and hands each to `deliver`.
    void Receive(const std::function<void(std::string_view)>& deliver, int limit);

private:
    bool EnsureSocket();
    std::optional<in_addr> AddressOf(const std::string& host);
    void StartLookup(const std::string& host);
    void CollectLookup();

    int fd_ = -1;
    // The background look-up of a host name, and what it found last.
    struct Lookup;
    std::unique_ptr<Lookup> lookup_;
    std::string knownHost_;
    std::optional<in_addr> knownAddress_;
    std::chrono::steady_clock::time_point knownSince_{};
};

}  // namespace nodrel::linux_platform
