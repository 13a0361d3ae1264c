#include "app/command_line.h"

namespace nodrel {

namespace {
constexpr std::string_view AllowMulti = "-AllowMulti";
constexpr std::string_view InhibitShutdown = "-InhibitShutdown";
}  // namespace

std::string JoinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

Switches ReadSwitches(std::string_view commandLine) {
    Switches s;
    s.allowMulti = commandLine.ends_with(AllowMulti);
    s.inhibitShutdown = commandLine.starts_with(InhibitShutdown);
    return s;
}

}  // namespace nodrel
