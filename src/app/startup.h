#pragma once
// What every front end does before its loop: the command line's switches, the answers to
// --help and --version, and the one-copy rule.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "app/instance_guard.h"

namespace nodrel {

// The exit status of a start that failed, or of a copy that gave way to the running one.
inline constexpr int StatusFailure = 1;

// What a copy that gives way to the running one says, as a box's title and text.
inline constexpr const char* SecondCopyTitle = "Nodrel Start Up Error";
inline constexpr const char* SecondCopyText =
    "Nodrel or Nodrel Lite is already\r\n"
    "running. Only one instance can be\r\n"
    " running at a time.";

struct Switches {
    bool allowMulti = false;       // "-AllowMulti" as the last 11 characters
    bool inhibitShutdown = false;  // "-InhibitShutdown" as the first 16 characters
};

// The arguments after the program name, joined by single blanks.
std::string JoinArguments(int argc, const char* const* argv);

Switches ReadSwitches(std::string_view commandLine);

// "--help" or "--version" as the whole command line: the text to print instead of
// running. Any other command line (the switches included) runs the program.
std::optional<std::string> InformationRequest(std::string_view commandLine,
                                              std::string_view programName,
                                              std::string_view summary);

// The name the program was started under: argv[0] without its folder and extension.
std::string ProgramName(const char* argv0);

// The start every front end makes.
struct StartUp {
    std::string commandLine;
    Switches switches;
    std::string programName;  // as ProgramName gives it
};

// Month names in the user's language, then the command line read. Nothing when it asked for
// --help or --version: the answer (naming the program `shownName`, with the front end's
// `summary`) has been written to `out`, and the program ends there with status 0.
std::optional<StartUp> BeginStartUp(int argc, const char* const* argv, std::string_view shownName,
                                    std::string_view summary, std::FILE* out);

// True when this copy must give way to a running one: another holds the guard and the
// command line does not allow several. The guard is always asked, so that it is taken.
bool GiveWay(InstanceGuard& guard, const Switches& switches);

}  // namespace nodrel
