#pragma once
// The fixed-width line format of the log.
#include <cstdint>
#include <string>
#include <string_view>

namespace nodrel {

// What a log line shows besides its two texts.
struct LogContext {
    bool testMode = false;
    std::int16_t count = 0;
    std::int16_t logLevel = 0;
    std::int16_t cmain = 0;
    std::string_view loadText;
    std::string_view avLoadText;
    std::string_view commsText;
};

// stamp, ", ", marker+event (10), ", ", state (10), ", Count:", count (4), readings at Full.
std::string FormatLogLine(std::string_view stamp, std::string_view event, std::string_view state,
                          const LogContext& context);

}  // namespace nodrel
