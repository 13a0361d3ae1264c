// The link's messages: the master's sending rule and the slave's receiving rule.
#include "app/nodrel.h"
#include "link/link_socket.h"

namespace nodrel {

namespace {
constexpr std::string_view KeepAlive = "<COA100>";
}  // namespace

bool IsValidLinkMessage(std::string_view text) {
    if (text.size() < 8 || text.back() != '>' || !text.starts_with("<CO")) return false;
    const char tens = text[5], units = text[6];
    if (tens < '0' || tens > '9' || units < '0' || units > '9') return false;
    return static_cast<std::size_t>((tens - '0') * 10 + (units - '0')) == text.size() - 8;
}

bool Nodrel::SendingDue() const {
    const bool sendingPhase = Phase == PhaseRun || (Phase == PhaseInitialise && Count == 1);
    return sendingPhase && settings.CMain == kMaster && Runnable();
}

void Nodrel::SendLinkMessage() {
    // A failed send is silent; the message stays pending for the next occasion.
    if (!link_->SendTo(settings.IPAdd, settings.Port1, SendMsg)) return;
    SendMsg = KeepAlive;
}

void Nodrel::udpServ_DataArrival(std::string_view datagram) {
    Guarded([&] {
        if (settings.CMain == kMaster) return;
        if (!IsValidLinkMessage(datagram)) {
            CommsText = "Error";
            window_.Counter.bold = true;
            window_.Counter.fore = Orange;
            window_.Counter.caption = "Connection Error";
            // ConditionMet is 0 only while a valid message has come since the last check
            // second. Leaving it so means a stream of junk cannot drown a live master's
            // keep-alives; in a silent second it is 1 already, and silence it stays.
            return;
        }
        CommsText = "-OK-";
        ConditionMet = 0;
        const std::string_view command = datagram.substr(3, 2);
        if (command == "C0") Reset_Click();
        if (command == "T0") TestS_Click();
    });
}

}  // namespace nodrel
