// nodreld.exe: Nodrel without windows, on a Windows console.
#include <io.h>

#include <cstdio>

#include "app/nodrel.h"
#include "app/startup.h"
#include "frontends/nodreld-win/console_loop.h"
#include "frontends/nodreld/console_effects.h"
#include "frontends/nodreld/console_view.h"
#include "platform/windows/mutex_guard.h"
#include "platform/windows/windows_parts.h"

namespace {

constexpr std::string_view Summary =
    "Watches the processor load and powers the computer off after a quiet spell.\n"
    "Ctrl+C, Ctrl+Break or closing the console exit. Exit status 0 after Exit or an\n"
    "action, 1 on errors.";

}  // namespace

int main(int argc, char** argv) {
    const auto start = nodrel::BeginStartUp(argc, argv, "nodreld", Summary, stdout);
    if (!start) return 0;
    nodrel::console::ConsoleEffects effects(stderr);
    nodrel::windows_platform::MutexGuard guard;
    if (nodrel::GiveWay(guard, start->switches)) return nodrel::console::RefuseSecondCopy(effects);

    nodrel::console::ConsoleLoop loop;
    if (!loop.Ready()) {
        std::fputs("nodreld: cannot set up its timer and console events\n", stderr);
        return nodrel::StatusFailure;
    }
    nodrel::console::ConsoleView view(stdout, _isatty(_fileno(stdout)) != 0);
    effects.onTimer = [&](bool on) { loop.SetTimer(on); };
    effects.beforeMessage = [&] { view.Release(); };

    const std::string& programName = start->programName;
    nodrel::windows_platform::WindowsParts machine(programName);
    auto& link = machine.link;
    nodrel::Nodrel program(machine.For(effects, programName));

    const auto show = [&] {
        if (!effects.Status()) view.Show(program);
        std::fflush(stdout);
    };
    loop.onTick = [&] {
        program.tmrRefresh_Timer();
        show();
    };
    loop.onExit = [&] { program.Form_Unload(); };
    loop.linkEvent = link.ArrivalEvent();
    loop.onLinkReadable = [&] {
        link.Receive([&](std::string_view datagram) { program.udpServ_DataArrival(datagram); },
                     nodrel::DatagramsPerWakeUp);
        show();
    };

    program.Form_Load(start->commandLine);
    show();
    loop.Run([&] { return effects.Status().has_value(); });
    view.Release();
    std::fflush(stdout);
    return *effects.Status();
}
