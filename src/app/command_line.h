#pragma once
#include <string>
#include <string_view>

namespace nodrel {

struct Switches {
    bool allowMulti = false;       // "-AllowMulti" as the last 11 characters
    bool inhibitShutdown = false;  // "-InhibitShutdown" as the first 16 characters
};

// The arguments after the program name, joined by single blanks.
std::string JoinArguments(int argc, const char* const* argv);

Switches ReadSwitches(std::string_view commandLine);

}  // namespace nodrel
