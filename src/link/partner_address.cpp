#include "link/partner_address.h"

namespace nodrel {

std::optional<Ipv4Address> PartnerAddress::For(const std::string& partner, Time now) {
    if (const auto quad = ParseDottedQuad(partner)) return quad;
    if (partner.empty()) return std::nullopt;
    if (partner != name_) {
        // Another partner: what was found for the old name says nothing about it. A
        // look-up of the old name still under way is abandoned by the next Begin.
        name_ = partner;
        lastGood_.reset();
        lookingUp_ = false;
        nextLookup_.reset();
    }
    if (lookingUp_) Collect(now);
    if (!lookingUp_ && (!nextLookup_ || now >= *nextLookup_)) {
        lookingUp_ = lookup_.Begin(name_);
        if (!lookingUp_) nextLookup_ = now + kRetryAfter;
    }
    return lastGood_;
}

void PartnerAddress::Collect(Time now) {
    const NameLookup::Outcome outcome = lookup_.Poll();
    if (outcome.state == NameLookup::State::Pending) return;
    lookingUp_ = false;
    if (outcome.state == NameLookup::State::Found) {
        lastGood_ = outcome.address;
        nextLookup_ = now + kRefreshAfter;
    } else {
        nextLookup_ = now + kRetryAfter;
    }
}

}  // namespace nodrel
