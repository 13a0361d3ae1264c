#pragma once
// Host-name look-ups on a thread of their own, one thread per look-up. An abandoned
// look-up finishes on its own and frees what it used; nobody waits for it.
#include <memory>

#include "link/partner_address.h"

namespace nodrel::linux_platform {

class ThreadedNameLookup : public nodrel::NameLookup {
public:
    bool Begin(const std::string& name) override;
    Outcome Poll() override;

    struct Request;  // shared by the look-up's thread and, until abandoned, this object

private:
    std::shared_ptr<Request> current_;
};

}  // namespace nodrel::linux_platform
