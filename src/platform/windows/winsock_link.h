#pragma once
// The link's UDP socket on Winsock: non-blocking, IPv4. Arrivals are announced either by
// an event (the console program waits on it) or by a window message (the desktop
// program's message loop). Host names are looked up on a worker thread, so that no tick
// ever waits for a name server (PartnerAddress decides when and what to send to meanwhile).
#include <winsock2.h>

#include <functional>
#include <string>

#include "link/link_socket.h"
#include "link/partner_address.h"
#include "platform/windows/name_lookup.h"

namespace nodrel::windows_platform {

class WinsockLink : public nodrel::LinkSocket {
public:
    WinsockLink();
    ~WinsockLink() override;
    WinsockLink(const WinsockLink&) = delete;
    WinsockLink& operator=(const WinsockLink&) = delete;

    // Where arrivals are announced; applies to the current and every later socket.
    // The event is one of the link's own, set while datagrams wait.
    HANDLE ArrivalEvent() const { return arrival_; }
    void NotifyWindow(HWND window, UINT message);

    void Close() override;
    bool Bind(int port) override;
    bool SendTo(const std::string& host, int port, std::string_view datagram) override;

    // The socket a window message names, to tell it from one closed since.
    SOCKET Socket() const { return socket_; }
    // Reads up to `limit` waiting datagrams and hands each to `deliver`.
    void Receive(const std::function<void(std::string_view)>& deliver, int limit);

private:
    bool EnsureSocket();
    void Announce();

    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    HANDLE arrival_ = nullptr;
    HWND window_ = nullptr;
    UINT message_ = 0;
    ThreadedNameLookup lookup_{ResolveIpv4, StartDetachedThread};
    PartnerAddress partner_{lookup_};
};

}  // namespace nodrel::windows_platform
