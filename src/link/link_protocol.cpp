#include "link/link_protocol.h"

#include <string>

namespace nodrel {

bool IsValidLinkMessage(std::string_view text) {
    if (text.size() < 8 || text.back() != '>' || !text.starts_with("<CO")) return false;
    const char tens = text[5], units = text[6];
    if (tens < '0' || tens > '9' || units < '0' || units > '9') return false;
    return static_cast<std::size_t>((tens - '0') * 10 + (units - '0')) == text.size() - 8;
}

LinkCommand CommandOf(std::string_view message) {
    const std::string_view command = message.substr(3, 2);
    if (command == "C0") return LinkCommand::Reset;
    if (command == "T0") return LinkCommand::Test;
    return LinkCommand::None;
}

Message PortInUseMessage(int port) {
    const std::string number = std::to_string(port);
    return {box::kCriticalYesNo, " Port Error",
            JoinLines({"The RX Port " + number + " Is Already In Use",
                       "This Error Must Be Resolved Before", "You Can Use Nodrel.",
                       "Use The Configuration Screen", "To Change The RX Port.",
                       "Do You Want To End The Program?"})};
}

std::string PortWaitCaption(int port) {
    return "waiting for UDP port " + std::to_string(port);
}

}  // namespace nodrel
