#pragma once
// The link's UDP socket as the core uses it. Arriving datagrams are handed to
// Nodrel::udpServ_DataArrival by the front end, one whole datagram at a time.
#include <string>
#include <string_view>

namespace nodrel {

// Datagrams a front end reads per wake-up, so that a flood cannot hold up the timer, the
// signals or the window.
inline constexpr int kDatagramsPerWakeUp = 64;

class LinkSocket {
public:
    virtual ~LinkSocket() = default;
    virtual void Close() = 0;
    // Binds a fresh socket to the local port on every address; false when refused.
    virtual bool Bind(int port) = 0;
    // Sends one datagram to the host (dotted quad or host name) and port; false when it
    // could not go out (no address known yet for the name, or the system refused).
    virtual bool SendTo(const std::string& host, int port, std::string_view datagram) = 0;
};

}  // namespace nodrel
