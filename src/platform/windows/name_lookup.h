#pragma once
// The system's resolver for the link's background look-ups.
#include "link/threaded_name_lookup.h"

namespace nodrel::windows_platform {

// A name's first IPv4 address, through getaddrinfo; Winsock must be started.
std::optional<Ipv4Address> ResolveIpv4(const std::string& name);

}  // namespace nodrel::windows_platform
