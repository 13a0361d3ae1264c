#include "platform/linux/name_lookup.h"

#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>

#include <cstring>

namespace nodrel::linux_platform {

std::optional<Ipv4Address> ResolveIpv4(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    std::optional<Ipv4Address> result;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) == 0 && found) {
        const in_addr& address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
        result.emplace();
        std::memcpy(result->data(), &address, result->size());
    }
    if (found) freeaddrinfo(found);
    return result;
}

bool StartThreadWithoutSignals(std::function<void()> work) {
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const bool started = StartDetachedThread(std::move(work));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return started;
}

}  // namespace nodrel::linux_platform
