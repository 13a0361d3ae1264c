#pragma once
// What the main window says during a countdown.
#include <string>

namespace nodrel {

// "The Computer Will Power Off In 10s" and the like for the power action's code; only the
// seconds for an unknown code.
std::string CountdownCaption(int shutType, int secondsLeft);

}  // namespace nodrel
