#pragma once
// Where the master's datagrams go when its partner is given as a host name. The platform
// looks names up in the background (NameLookup); this decides when to look up and which
// address to use meanwhile, so that no tick ever waits for a name server and a short
// outage of the name service does not silence the link.
#include <chrono>
#include <optional>
#include <string>

#include "link/ip_check.h"

namespace nodrel {

// One background look-up of a host name's IPv4 address at a time.
class NameLookup {
public:
    enum class State { Pending, Found, Failed };
    struct Outcome {
        State state = State::Pending;
        Ipv4Address address{};  // when Found
    };

    virtual ~NameLookup() = default;
    // Starts looking the name up and returns at once. A look-up still under way is
    // abandoned without waiting for it: its outcome is never reported. False when none
    // could be started.
    virtual bool Begin(const std::string& name) = 0;
    // How the look-up begun last stands; never waits.
    virtual Outcome Poll() = 0;
};

class PartnerAddress {
public:
    using Time = std::chrono::steady_clock::time_point;
    // A name's address is looked up again this long after it was found...
    static constexpr auto kRefreshAfter = std::chrono::seconds(10);
    // ...and this long after a look-up failed or could not be started.
    static constexpr auto kRetryAfter = std::chrono::seconds(3);

    explicit PartnerAddress(NameLookup& lookup) : lookup_(lookup) {}

    // The address to send to now: a dotted quad as written (in decimal), a host name's
    // last address found, nothing before one was found or for an empty partner. A host
    // name keeps its last good address through failed look-ups until one finds a new one.
    std::optional<Ipv4Address> For(const std::string& partner, Time now);

private:
    void Collect(Time now);

    NameLookup& lookup_;
    std::string name_;  // the name the fields below belong to
    std::optional<Ipv4Address> lastGood_;
    bool lookingUp_ = false;
    std::optional<Time> nextLookup_;  // none: at once
};

}  // namespace nodrel
