// nodreld.exe: Nodrel without windows, on a Windows console or as a service.
#include <io.h>

#include <cstdio>
#include <string_view>

#include "app/startup.h"
#include "frontends/console/console_view.h"
#include "frontends/console/controls_win32.h"
#include "frontends/console/program_win32.h"
#include "frontends/console/service_install_win32.h"
#include "frontends/console/service_win32.h"
#include "platform/windows/program_folder.h"

namespace {

constexpr std::string_view kSummary =
    "Watches the processor load and powers the computer off after a quiet spell.\n"
    "Ctrl+C or closing the console exit; Ctrl+Break resets (a master passes it on).\n"
    "Exit status 0 after Exit or an action, 1 on errors.\n"
    "Data\\Nodrel4.ini lies beside the program; the log goes where LogPath says.\n"
    "As a service (from an administrator's command prompt):\n"
    "  nodreld --install-service [-InhibitShutdown]   registers the service Nodrel\n"
    "  nodreld --remove-service                       stops and removes it\n"
    "The service control manager starts it as: nodreld --service [-InhibitShutdown]";

enum class Mode { Console, Service, Install, Remove };

// nodreld.exe's own command lines, beside those every program accepts.
constexpr nodrel::CommandLineForm kServiceForms[] = {
    {"--service", {}},         {"--service -InhibitShutdown", {.inhibitShutdown = true}},
    {"--install-service", {}}, {"--install-service -InhibitShutdown", {.inhibitShutdown = true}},
    {"--remove-service", {}},
};

Mode ModeOf(std::string_view commandLine) {
    if (commandLine.starts_with("--service")) return Mode::Service;
    if (commandLine.starts_with("--install-service")) return Mode::Install;
    if (commandLine.starts_with("--remove-service")) return Mode::Remove;
    return Mode::Console;
}

int RunConsole(const nodrel::StartUp& start) {
    nodrel::console::EventLoop loop;
    nodrel::console::ConsoleControls controls(loop);
    if (!loop.Ready()) {
        std::fputs("nodreld: cannot set up its timer and console events\n", stderr);
        return nodrel::kStatusFailure;
    }
    nodrel::console::ConsoleEffects effects(stderr);
    nodrel::console::ConsoleView view(stdout, _isatty(_fileno(stdout)) != 0);
    effects.beforeMessage = [&] { view.Release(); };
    nodrel::console::Host host{loop, effects, nullptr, nullptr};
    host.show = [&](const nodrel::Nodrel& program) {
        view.Show(program);
        std::fflush(stdout);
    };
    const int status = nodrel::console::RunProgram(start, host);
    controls.Finished();
    view.Release();
    std::fflush(stdout);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Data\Nodrel4.ini and the log lie beside the program, wherever it was started from.
    nodrel::windows_platform::EnterProgramFolder();
    auto start = nodrel::BeginStartUp(argc, argv, "nodreld", kSummary, kServiceForms);
    if (start.endStatus) return nodrel::PrintAnswer(start, stdout, stderr);
    const Mode mode = ModeOf(start.commandLine);
    if (mode == Mode::Install)
        return nodrel::console::InstallService(start.switches.inhibitShutdown);
    if (mode == Mode::Remove) return nodrel::console::RemoveService();
    if (mode == Mode::Console) return RunConsole(start);
    // The program itself reads only the switches of the line it runs with.
    start.commandLine = start.switches.inhibitShutdown ? "-InhibitShutdown" : "";
    return nodrel::console::RunService(start);
}
