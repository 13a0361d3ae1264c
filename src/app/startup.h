#pragma once
// What every front end does before its loop: the command line's switches, the answers to
// --help and --version, and the one-copy rule.
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/instance_guard.h"

namespace nodrel {

// The exit status of a start that failed, or of a copy that gave way to the running one.
inline constexpr int kStatusFailure = 1;

// What a copy that gives way to the running one says, as a box's title and text.
inline constexpr const char* kSecondCopyTitle = "Nodrel Start Up Error";
inline constexpr const char* kSecondCopyText =
    "Nodrel or Nodrel Lite is already\r\n"
    "running. Only one instance can be\r\n"
    " running at a time.";

struct Switches {
    bool allowMulti = false;       // "-AllowMulti": run beside another copy
    bool inhibitShutdown = false;  // "-InhibitShutdown": 6 s delays, the action simulated
};

// One command line a program accepts: its arguments joined by single blanks, exactly, and
// the switches it sets.
struct CommandLineForm {
    std::string_view line;
    Switches switches;
};

// The command lines every program accepts. Anything else is refused before anything is
// armed: a misplaced or misspelt switch must never leave a machine to power off for real.
inline constexpr CommandLineForm kCommonForms[] = {
    {"", {}},
    {"-InhibitShutdown", {.inhibitShutdown = true}},
    {"-AllowMulti", {.allowMulti = true}},
    {"-InhibitShutdown -AllowMulti", {.allowMulti = true, .inhibitShutdown = true}},
    {"--help", {}},
    {"--version", {}},
};

// The arguments after the program name, joined by single blanks.
std::string JoinArguments(int argc, const char* const* argv);

// The form `commandLine` is, among kCommonForms and a front end's own `extraForms`; nothing
// when it is none of them.
std::optional<CommandLineForm> AcceptedForm(std::string_view commandLine,
                                            std::span<const CommandLineForm> extraForms = {});

// The switches of one of kCommonForms; none for any other command line.
Switches ReadSwitches(std::string_view commandLine);

// What --help prints.
std::string Usage(std::string_view programName, std::string_view summary);

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
    // Set when the program ends here, before anything is armed: 0 after --help or
    // --version, kStatusFailure after a command line that is not accepted. `answer` is then
    // what to show: the version or the usage, or why the line was refused and the usage.
    std::optional<int> endStatus;
    std::string answer;
};

// Month names in the user's language, then the command line read and checked against
// kCommonForms and `extraForms`. The usage and version name the program `shownName`, with
// the front end's `summary`.
StartUp BeginStartUp(int argc, const char* const* argv, std::string_view shownName,
                     std::string_view summary, std::span<const CommandLineForm> extraForms = {});

// A console program's way to end at the start: the answer on `out` (--help, --version) or on
// `errors` (a refused command line). Returns the status to end with.
int PrintAnswer(const StartUp& start, std::FILE* out, std::FILE* errors);

// True when this copy must give way to a running one: another holds the guard and the
// command line does not allow several. The guard is always asked, so that it is taken.
bool GiveWay(InstanceGuard& guard, const Switches& switches);

}  // namespace nodrel
