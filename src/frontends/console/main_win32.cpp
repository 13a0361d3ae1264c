// nodreld.exe: Nodrel without windows, on a Windows console or as a service.
#include <io.h>

#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "app/startup.h"
#include "frontends/console/console_view.h"
#include "frontends/console/controls_win32.h"
#include "frontends/console/program_win32.h"
#include "frontends/console/service_install_win32.h"
#include "frontends/console/service_win32.h"
#include "platform/windows/program_folder.h"

namespace {

constexpr std::string_view Summary =
    "Watches the processor load and powers the computer off after a quiet spell.\n"
    "Ctrl+C or closing the console exit; Ctrl+Break resets (a master passes it on).\n"
    "Exit status 0 after Exit or an action, 1 on errors.\n"
    "As a service (from an administrator's command prompt):\n"
    "  nodreld --install-service [-InhibitShutdown]   registers the service Nodrel\n"
    "  nodreld --remove-service                       stops and removes it\n"
    "The service control manager starts it as: nodreld --service [-InhibitShutdown]";

enum class Mode { Console, Service, Install, Remove };

struct Request {
    Mode mode = Mode::Console;
    std::vector<const char*> argv;  // what the start-up reads: the program and its switches
};

// The service's own forms come before anything else on the command line; --service hands
// the rest on, the others take only what they name.
std::optional<Request> ReadRequest(int argc, char** argv) {
    Request request{Mode::Console, {argv, argv + argc}};
    if (argc < 2) return request;
    const std::string_view first = argv[1];
    const bool inhibit = argc == 3 && std::string_view(argv[2]) == "-InhibitShutdown";
    if (first == "--service") {
        request.mode = Mode::Service;
        request.argv.erase(request.argv.begin() + 1);
    } else if (first == "--install-service" && (argc == 2 || inhibit)) {
        request.mode = Mode::Install;
    } else if (first == "--remove-service" && argc == 2) {
        request.mode = Mode::Remove;
    } else if (first == "--install-service" || first == "--remove-service") {
        return std::nullopt;
    }
    return request;
}

int RunConsole(const nodrel::StartUp& start) {
    nodrel::console::EventLoop loop;
    nodrel::console::ConsoleControls controls(loop);
    if (!loop.Ready()) {
        std::fputs("nodreld: cannot set up its timer and console events\n", stderr);
        return nodrel::StatusFailure;
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
    const auto request = ReadRequest(argc, argv);
    if (!request) {
        std::fputs("usage: nodreld --install-service [-InhibitShutdown] | --remove-service\n",
                   stderr);
        return nodrel::StatusFailure;
    }
    if (request->mode == Mode::Install) return nodrel::console::InstallService(argc == 3);
    if (request->mode == Mode::Remove) return nodrel::console::RemoveService();
    const int count = static_cast<int>(request->argv.size());
    const auto start =
        nodrel::BeginStartUp(count, request->argv.data(), "nodreld", Summary, stdout);
    if (!start) return 0;
    if (request->mode == Mode::Service) return nodrel::console::RunService(*start);
    return RunConsole(*start);
}
