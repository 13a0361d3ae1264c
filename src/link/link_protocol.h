#pragma once
// The link's messages and what a slave makes of them.
#include <string>
#include <string_view>

#include "common/text.h"

namespace nodrel {

// What a master sends every second while nothing else is pending.
inline constexpr std::string_view kKeepAlive = "<COA100>";
// The Reset and Test commands a master passes on to its slave.
inline constexpr std::string_view kResetCommand = "<COC000>";
inline constexpr std::string_view kTestCommand = "<COT000>";
// Nothing is acknowledged: a command goes out on this many sends in a row, so that a lost
// datagram loses nothing...
inline constexpr int kCommandSends = 4;
// ...and a slave acts on the first of them and ignores the same command for this long.
inline constexpr int kCommandRepeatsIgnoredMs = 3000;

// True for a message of the link's format: at least 8 characters, "<CO" first, ">"
// last, and positions 6-7 giving the number of characters beyond 8.
bool IsValidLinkMessage(std::string_view text);

enum class LinkCommand { None, Reset, Test };
// The command a valid message carries.
LinkCommand CommandOf(std::string_view message);

// The box asking whether to end the program when a slave cannot bind its receive port.
Message PortInUseMessage(int port);

// Without anyone to ask, a slave binds its taken port again this often, in seconds.
inline constexpr int kPortRetrySeconds = 10;
// What a slave waiting so shows: "waiting for UDP port 10001".
std::string PortWaitCaption(int port);

}  // namespace nodrel
