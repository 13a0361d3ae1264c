#pragma once
// Tells everyone logged in, on each of their terminals, as shutdown(8) does: the session
// records (utmp) name the terminals of the users' log-ins.
#include <string>
#include <utility>

#include "app/countdown_notice.h"

namespace nodrel::linux_platform {

class TerminalNotice : public CountdownNotice {
public:
    // The system's session records.
    TerminalNotice();
    // The session records in this file instead.
    explicit TerminalNotice(std::string sessionRecords) : records_(std::move(sessionRecords)) {}

    // Written to each terminal of a live log-in, on a line of its own; a terminal that is
    // gone, busy or not writable is passed over.
    void Announce(const std::string& text) override;

private:
    std::string records_;
};

}  // namespace nodrel::linux_platform
