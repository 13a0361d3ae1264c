#include "log/log_line.h"

#include <string>

#include "common/text.h"
#include "config/codes.h"

namespace nodrel {

namespace {

constexpr std::size_t kColumnWidth = 10;
constexpr std::size_t kCountWidth = 4;

// The readings of the cycle, only written at level Full.
std::string Readings(const LogContext& context) {
    if (context.logLevel != kLogFull) return {};
    std::string out;
    if (context.cmain == kMaster) {
        out += ", CPU:";
        out += context.loadText;
        out += ", Av CPU:";
        out += context.avLoadText;
    } else if (context.cmain == kSlave) {
        out += ", Comms: ";
        out += context.commsText;
    }
    return out;
}

}  // namespace

std::string FormatLogLine(std::string_view stamp, std::string_view event, std::string_view state,
                          const LogContext& context) {
    // The marker takes the first place of the event column, so long events lose their end.
    std::string markedEvent(context.testMode ? "*" : " ");
    markedEvent += event;

    std::string line(stamp);
    line += ", ";
    line += PadRight(markedEvent, kColumnWidth);
    line += ", ";
    line += PadRight(state, kColumnWidth);
    line += ", Count:";
    // Counts wider than the column keep their last digits.
    line += RightAlign(std::to_string(context.count), kCountWidth);
    line += Readings(context);
    return line;
}

}  // namespace nodrel
