#pragma once
#include <cstdio>
#include <optional>
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

// "--help" or "--version" as the whole command line: the text to print instead of
// running. Any other command line (the switches included) runs the program.
std::optional<std::string> InformationRequest(std::string_view commandLine,
                                              std::string_view programName,
                                              std::string_view summary);

// Writes the answer to an information request to `out`; true when there was one to answer,
// and the program ends there.
bool AnswerInformationRequest(std::string_view commandLine, std::string_view programName,
                              std::string_view summary, std::FILE* out);

// The name the program was started under: argv[0] without its folder and extension.
std::string ProgramName(const char* argv0);

}  // namespace nodrel
