#include "app/startup.h"

#include <clocale>
#include <filesystem>

#include "common/text.h"
#include "config/settings.h"

namespace nodrel {

std::string JoinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

std::optional<CommandLineForm> AcceptedForm(std::string_view commandLine,
                                            std::span<const CommandLineForm> extraForms) {
    for (const auto forms : {std::span<const CommandLineForm>(kCommonForms), extraForms}) {
        for (const CommandLineForm& form : forms) {
            if (form.line == commandLine) return form;
        }
    }
    return std::nullopt;
}

Switches ReadSwitches(std::string_view commandLine) {
    const auto form = AcceptedForm(commandLine);
    return form ? form->switches : Switches{};
}

std::string Usage(std::string_view programName, std::string_view summary) {
    return "Usage: " + std::string(programName) + " [-InhibitShutdown] [-AllowMulti]\n" +
           std::string(summary) +
           "\n\n"
           "  -InhibitShutdown  trigger and countdown last 6 s and the power action is only\n"
           "                    simulated\n"
           "  -AllowMulti       run beside another copy\n"
           "  --help            show this text\n"
           "  --version         show the version\n"
           "The two switches go in this order, as written; any other command line is\n"
           "refused with status 1.\n";
}

std::optional<std::string> InformationRequest(std::string_view commandLine,
                                              std::string_view programName,
                                              std::string_view summary) {
    if (commandLine == "--version")
        return std::string(programName) + " " + std::string(kVersion) + "\n";
    if (commandLine == "--help") return Usage(programName, summary);
    return std::nullopt;
}

std::string ProgramName(const char* argv0) {
    // From UTF-8 code units, not through the system's narrow code page.
    const std::string_view text(argv0);
    return PathText(std::filesystem::path(std::u8string(text.begin(), text.end())).stem());
}

StartUp BeginStartUp(int argc, const char* const* argv, std::string_view shownName,
                     std::string_view summary, std::span<const CommandLineForm> extraForms) {
    std::setlocale(LC_TIME, "");  // month names in the user's language
    StartUp start{JoinArguments(argc, argv), {}, ProgramName(argv[0]), std::nullopt, {}};
    const auto form = AcceptedForm(start.commandLine, extraForms);
    if (!form) {
        start.endStatus = kStatusFailure;
        start.answer = std::string(shownName) + ": not an accepted command line: \"" +
                       start.commandLine + "\"\n\n" + Usage(shownName, summary);
    } else if (auto text = InformationRequest(start.commandLine, shownName, summary)) {
        start.endStatus = 0;
        start.answer = std::move(*text);
    } else {
        start.switches = form->switches;
    }
    return start;
}

int PrintAnswer(const StartUp& start, std::FILE* out, std::FILE* errors) {
    std::fputs(start.answer.c_str(), start.endStatus == 0 ? out : errors);
    return start.endStatus.value_or(kStatusFailure);
}

bool GiveWay(InstanceGuard& guard, const Switches& switches) {
    const bool another = guard.AnotherInstance();  // always asked, so the guard is taken
    return another && !switches.allowMulti;
}

}  // namespace nodrel
