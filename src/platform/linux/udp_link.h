#pragma once
// The link's UDP socket: non-blocking, IPv4. Host names are looked up in the
// background so that no tick ever waits for a name server.
#include <functional>
#include <string>

#include "link/link_socket.h"
#include "link/partner_address.h"
#include "platform/linux/name_lookup.h"

namespace nodrel::linux_platform {

class UdpLink : public nodrel::LinkSocket {
public:
    UdpLink() = default;
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

    int fd_ = -1;
    ThreadedNameLookup lookup_{ResolveIpv4, StartThreadWithoutSignals};
    PartnerAddress partner_{lookup_};
};

}  // namespace nodrel::linux_platform
