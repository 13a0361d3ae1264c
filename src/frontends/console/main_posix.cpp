// nodreld: Nodrel without windows, for machines without a display.
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <utility>

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

namespace nodrel::console {
namespace {

using linux_platform::LinuxParts;
using linux_platform::ServiceNotifier;

constexpr std::string_view kSummary =
    "Watches the processor load and powers the computer off after a quiet spell.\n"
    "Signals: SIGINT/SIGTERM exit, SIGHUP re-reads the settings, SIGUSR1 resets,\n"
    "SIGUSR2 starts a test. Exit status 0 after Exit or an action, 1 on errors.\n"
    "Run it in the folder that holds Data/Nodrel4.ini; the log goes where LogPath says.";

// The loop's events to the program: the controls, the tick (which feeds the watchdog), the
// redraw after each event and the link's datagrams.
void ConnectLoop(EventLoop& loop, Nodrel& program, LinuxParts& machine, ServiceNotifier& service,
                 std::function<void()> show) {
    Connect(loop, program);
    loop.onTick = [&program, &service] {
        program.tmrRefresh_Timer();
        service.Alive();
    };
    loop.afterEvent = std::move(show);
    loop.linkWaitable = [&link = machine.link] { return link.Fd(); };
    loop.onLinkReadable = [&program, &link = machine.link] {
        link.Receive([&](std::string_view datagram) { program.udpServ_DataArrival(datagram); },
                     kDatagramsPerWakeUp);
    };
}

int RunProgram(const StartUp& start, ConsoleEffects& effects, EventLoop& loop) {
    ConsoleView view(stdout, isatty(STDOUT_FILENO) == 1);
    effects.onTimer = [&](bool on) { loop.SetTimer(on); };
    effects.beforeMessage = [&] { view.Release(); };

    LinuxParts machine;
    // A service runs out of sight: the people logged in hear of a countdown on their terminals.
    linux_platform::TerminalNotice terminals;
    auto outside = machine.For(effects, start.programName);
    outside.countdownNotice = &terminals;
    Nodrel program(outside);
    ServiceNotifier service;
    // The waits for logind's answer and for a resume block the loop: the watchdog is fed and
    // SIGINT/SIGTERM heard.
    machine.power.stopRequested = [&] {
        service.Alive();
        return linux_platform::TakeExitSignal();
    };
    const auto show = [&] {
        if (effects.Status()) return;
        view.Show(program);
        service.Status(StatusLine(program.Window()));
    };
    ConnectLoop(loop, program, machine, service, show);

    program.Form_Load(start.commandLine);
    if (!effects.Status()) service.Ready();
    show();
    loop.Run([&] { return effects.Status().has_value(); });
    view.Release();
    return *effects.Status();
}

int Main(int argc, char** argv) {
    const auto start = BeginStartUp(argc, argv, "nodreld", kSummary);
    if (start.endStatus) return PrintAnswer(start, stdout, stderr);
    ConsoleEffects effects(stderr);
    linux_platform::AbstractSocketGuard guard;
    if (GiveWay(guard, start.switches)) return RefuseSecondCopy(effects);

    EventLoop loop;
    if (!loop.Ready()) {
        std::perror("nodreld: cannot set up its timer and signals");
        return kStatusFailure;
    }
    return RunProgram(start, effects, loop);
}

}  // namespace
}  // namespace nodrel::console

int main(int argc, char** argv) {
    return nodrel::console::Main(argc, argv);
}
