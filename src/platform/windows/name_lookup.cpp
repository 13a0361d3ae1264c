#include "platform/windows/name_lookup.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

namespace nodrel::windows_platform {

std::optional<Ipv4Address> ResolveIpv4(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return {};
    Ipv4Address result{};
    const in_addr& address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    std::memcpy(result.data(), &address, result.size());
    freeaddrinfo(found);
    return result;
}

}  // namespace nodrel::windows_platform
