#pragma once
// Host-name look-ups on a thread of their own, one thread per look-up, through the
// system's resolver. An abandoned look-up finishes on its own and frees what it used;
// nobody waits for it.
#include <functional>
#include <memory>
#include <optional>

#include "link/partner_address.h"

namespace nodrel {

class ThreadedNameLookup : public NameLookup {
public:
    // The system's look-up of a name's IPv4 address; runs on the look-up's thread.
    using Resolver = std::optional<Ipv4Address> (*)(const std::string& name);
    // Starts `work` on a thread nobody joins; false when none could be started.
    using ThreadStarter = bool (*)(std::function<void()> work);

    ThreadedNameLookup(Resolver resolve, ThreadStarter start);
    bool Begin(const std::string& name) override;
    Outcome Poll() override;

    struct Request;  // shared by the look-up's thread and, until abandoned, this object

private:
    Resolver resolve_;
    ThreadStarter start_;
    std::shared_ptr<Request> current_;
};

// A detached std::thread.
bool StartDetachedThread(std::function<void()> work);

}  // namespace nodrel
