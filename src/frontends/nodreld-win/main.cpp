// nodreld.exe: Nodrel without windows, on a Windows console.
#include <io.h>

#include <clocale>
#include <cstdio>

#include "app/command_line.h"
#include "app/nodrel.h"
#include "frontends/nodreld-win/console_loop.h"
#include "frontends/nodreld/console_effects.h"
#include "frontends/nodreld/console_view.h"
#include "platform/windows/mutex_guard.h"
#include "platform/windows/windows_parts.h"

namespace {

constexpr int StatusFailure = 1;
constexpr std::string_view Summary =
    "Watches the processor load and powers the computer off after a quiet spell.\n"
    "Ctrl+C, Ctrl+Break or closing the console exit. Exit status 0 after Exit or an\n"
    "action, 1 on errors.";

int RefuseSecondInstance() {
    std::fputs(nodrel::console::MessageText("Nodrel Start Up Error",
                                            "Nodrel or Nodrel Lite is already\r\n"
                                            "running. Only one instance can be\r\n"
                                            " running at a time.")
                   .c_str(),
               stderr);
    return StatusFailure;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_TIME, "");  // month names in the user's language
    const std::string commandLine = nodrel::JoinArguments(argc, argv);
    if (nodrel::AnswerInformationRequest(commandLine, "nodreld", Summary, stdout)) return 0;
    const nodrel::Switches switches = nodrel::ReadSwitches(commandLine);

    nodrel::windows_platform::MutexGuard guard;
    const bool another = guard.AnotherInstance();  // always asked, so the guard is taken
    if (!switches.allowMulti && another) return RefuseSecondInstance();

    nodrel::console::ConsoleLoop loop;
    if (!loop.Ready()) {
        std::fputs("nodreld: cannot set up its timer and console events\n", stderr);
        return StatusFailure;
    }
    nodrel::console::ConsoleView view(stdout, _isatty(_fileno(stdout)) != 0);
    nodrel::console::ConsoleEffects effects(stderr);
    effects.onTimer = [&](bool on) { loop.SetTimer(on); };
    effects.beforeMessage = [&] { view.Release(); };

    const std::string programName = nodrel::ProgramName(argv[0]);
    nodrel::windows_platform::WindowsParts machine(programName);
    auto& link = machine.link;
    nodrel::Nodrel program(machine.For(effects, programName));

    const auto show = [&] {
        if (!effects.Status()) view.Show(program);
        std::fflush(stdout);
    };
    loop.onTick = [&] { program.tmrRefresh_Timer(); show(); };
    loop.onExit = [&] { program.Form_Unload(); };
    loop.linkEvent = link.ArrivalEvent();
    loop.onLinkReadable = [&] {
        link.Receive([&](std::string_view datagram) { program.udpServ_DataArrival(datagram); },
                     nodrel::DatagramsPerWakeUp);
        show();
    };

    program.Form_Load(commandLine);
    show();
    loop.Run([&] { return effects.Status().has_value(); });
    view.Release();
    std::fflush(stdout);
    return *effects.Status();
}
