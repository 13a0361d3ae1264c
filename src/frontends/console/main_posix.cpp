// nodreld: Nodrel without windows, for machines without a display.
#include <unistd.h>

#include <cstdio>

#include "app/nodrel.h"
#include "app/startup.h"
#include "frontends/console/console_effects.h"
#include "frontends/console/console_view.h"
#include "frontends/console/event_loop.h"
#include "platform/linux/control_signals.h"
#include "platform/linux/instance_guard.h"
#include "platform/linux/linux_parts.h"
#include "platform/linux/service_notifier.h"
#include "platform/linux/terminal_notice.h"

namespace {

constexpr std::string_view kSummary =
    "Watches the processor load and powers the computer off after a quiet spell.\n"
    "Signals: SIGINT/SIGTERM exit, SIGHUP re-reads the settings, SIGUSR1 resets,\n"
    "SIGUSR2 starts a test. Exit status 0 after Exit or an action, 1 on errors.\n"
    "Run it in the folder that holds Data/Nodrel4.ini; the log goes where LogPath says.";

}  // namespace

int main(int argc, char** argv) {
    const auto start = nodrel::BeginStartUp(argc, argv, "nodreld", kSummary);
    if (start.endStatus) return nodrel::PrintAnswer(start, stdout, stderr);
    nodrel::console::ConsoleEffects effects(stderr);
    nodrel::linux_platform::AbstractSocketGuard guard;
    if (nodrel::GiveWay(guard, start.switches)) return nodrel::console::RefuseSecondCopy(effects);

    nodrel::console::EventLoop loop;
    if (!loop.Ready()) {
        std::perror("nodreld: cannot set up its timer and signals");
        return nodrel::kStatusFailure;
    }
    nodrel::console::ConsoleView view(stdout, isatty(STDOUT_FILENO) == 1);
    effects.onTimer = [&](bool on) { loop.SetTimer(on); };
    effects.beforeMessage = [&] { view.Release(); };

    nodrel::linux_platform::LinuxParts machine;
    auto& link = machine.link;
    // A service runs out of sight: the people logged in hear of a countdown on their terminals.
    nodrel::linux_platform::TerminalNotice terminals;
    auto outside = machine.For(effects, start.programName);
    outside.countdownNotice = &terminals;
    nodrel::Nodrel program(outside);
    nodrel::linux_platform::ServiceNotifier service;
    // The waits for logind's answer and for a resume block the loop: the watchdog is fed and
    // SIGINT/SIGTERM heard.
    machine.power.stopRequested = [&] {
        service.Alive();
        return nodrel::linux_platform::TakeExitSignal();
    };

    const auto show = [&] {
        if (effects.Status()) return;
        view.Show(program);
        service.Status(nodrel::console::StatusLine(program.Window()));
    };
    nodrel::console::Connect(loop, program);
    loop.onTick = [&] {
        program.tmrRefresh_Timer();
        service.Alive();
    };
    loop.afterEvent = show;
    loop.linkWaitable = [&] { return link.Fd(); };
    loop.onLinkReadable = [&] {
        link.Receive([&](std::string_view datagram) { program.udpServ_DataArrival(datagram); },
                     nodrel::kDatagramsPerWakeUp);
    };

    program.Form_Load(start.commandLine);
    if (!effects.Status()) service.Ready();
    show();
    loop.Run([&] { return effects.Status().has_value(); });
    view.Release();
    return *effects.Status();
}
