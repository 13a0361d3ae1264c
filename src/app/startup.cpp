#include "app/startup.h"

#include <clocale>
#include <filesystem>

#include "common/text.h"
#include "config/settings.h"

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

std::optional<std::string> InformationRequest(std::string_view commandLine,
                                              std::string_view programName,
                                              std::string_view summary) {
    const std::string name(programName);
    if (commandLine == "--version") return name + " " + std::string(Version) + "\n";
    if (commandLine != "--help") return std::nullopt;
    return "Usage: " + name + " [-InhibitShutdown] [-AllowMulti]\n" + std::string(summary) +
           "\n\n"
           "Run it in the folder that holds " +
           ConfigFilePath +
           "; the log goes where LogPath says.\n\n"
           "  -InhibitShutdown  first on the command line: trigger and countdown last 6 s and\n"
           "                    the power action is only simulated\n"
           "  -AllowMulti       last on the command line: run beside another copy\n"
           "  --help            show this text\n"
           "  --version         show the version\n";
}

std::string ProgramName(const char* argv0) {
    // From UTF-8 code units, not through the system's narrow code page.
    const std::string_view text(argv0);
    return PathText(std::filesystem::path(std::u8string(text.begin(), text.end())).stem());
}

std::optional<StartUp> BeginStartUp(int argc, const char* const* argv, std::string_view shownName,
                                    std::string_view summary, std::FILE* out) {
    std::setlocale(LC_TIME, "");  // month names in the user's language
    StartUp start{JoinArguments(argc, argv), {}, ProgramName(argv[0])};
    if (const auto text = InformationRequest(start.commandLine, shownName, summary)) {
        std::fputs(text->c_str(), out);
        return std::nullopt;
    }
    start.switches = ReadSwitches(start.commandLine);
    return start;
}

bool GiveWay(InstanceGuard& guard, const Switches& switches) {
    const bool another = guard.AnotherInstance();  // always asked, so the guard is taken
    return another && !switches.allowMulti;
}

}  // namespace nodrel
