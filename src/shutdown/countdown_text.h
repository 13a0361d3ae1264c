#pragma once
// What the main window says during a countdown, and what the logged-in users are told.
#include <string>

#include "config/settings.h"

namespace nodrel {

// "The Computer Will Power Off In 10s" and the like for the power action's code; only the
// seconds for an unknown code.
std::string CountdownCaption(int shutType, int secondsLeft);

// What the logged-in users are told when a real countdown starts: "Nodrel: this computer
// will power off in 60 s (load below 20 % for 60 s). To cancel: ...", with the silence of
// the master as a slave's reason.
std::string CountdownNoticeText(const Settings& settings);
// And when it is cancelled: "Nodrel: power off cancelled."
std::string CancelNoticeText(int shutType);

}  // namespace nodrel
