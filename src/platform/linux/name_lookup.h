#pragma once
// The system's resolver for the link's background look-ups.
#include "link/threaded_name_lookup.h"

namespace nodrel::linux_platform {

// A name's first IPv4 address, through getaddrinfo.
std::optional<Ipv4Address> ResolveIpv4(const std::string& name);
// A detached thread that takes no signals: they stay with the thread that waits for them.
bool StartThreadWithoutSignals(std::function<void()> work);

}  // namespace nodrel::linux_platform
