// nodrel: Nodrel on the desktop, with its window, tray icon and dialogs.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "app/nodrel.h"
#include "app/startup.h"
#include "frontends/nodrel/frm_config.h"
#include "frontends/nodrel/multi_inst.h"
#include "frontends/nodrel/nodrel_main.h"
#include "frontends/nodrel/pictures.h"
#include "frontends/nodrel/qt_effects.h"
#include "frontends/nodrel/qt_launcher.h"
#include "frontends/nodrel/qt_text.h"
#include "frontends/nodrel/signal_watcher.h"
#include "platform/linux/admin_check.h"
#include "platform/linux/control_signals.h"
#include "platform/linux/instance_guard.h"
#include "platform/linux/linux_parts.h"

namespace nodrel::qt {
namespace {

using linux_platform::LinuxParts;

constexpr std::string_view kSummary =
    "Watches the processor load and powers the computer off after a quiet spell,\n"
    "in a small window or in the tray. Signals: SIGINT/SIGTERM exit, SIGHUP\n"
    "re-reads the settings, SIGUSR1 resets, SIGUSR2 starts a test.\n"
    "Run it in the folder that holds Data/Nodrel4.ini; the log goes where LogPath says.";

// A command line it does not accept: the usage on stderr and in a box, and the end.
int RefuseCommandLine(int argc, char** argv, const std::string& answer) {
    std::fputs(answer.c_str(), stderr);
    QApplication app(argc, argv);
    QMessageBox::critical(nullptr, QStringLiteral("Nodrel"), ToQString(answer));
    return kStatusFailure;
}

void SetUpApplication() {
    QApplication::setApplicationName(QStringLiteral("nodrel"));
    // The program ends through its own exit paths, not when its last window closes: the
    // main window is often hidden behind its tray icon while a message box comes and goes.
    QApplication::setQuitOnLastWindowClosed(false);
    LoadPictures();
    QApplication::setWindowIcon(ProgramIcon());
}

// Another copy runs: the window that says so, until it is closed.
int RunSecondCopy(QtLauncher& launcher, SignalWatcher& signalWatcher) {
    QtEffects effects;
    MultiInst window(launcher, effects);
    // SIGINT and SIGTERM end it as OK does, also while the logo's box is open; the other
    // signals have nothing to steer.
    signalWatcher.onExit = [&] {
        effects.CloseMessageBoxes();
        window.Exit_Click();
    };
    return window.Run();
}

// The window's link, configuration window and signals, and the stop a blocking power
// action listens for.
void Connect(NodrelMain& window, Nodrel& program, LinuxParts& machine,
             SignalWatcher& signalWatcher) {
    machine.power.stopRequested = [&window] {
        return linux_platform::TakeExitSignal() || window.CloseRequestedWhileBlocked();
    };
    window.WatchLink(
        [&link = machine.link] { return link.Fd(); },
        [&program, &link = machine.link] {
            link.Receive([&](std::string_view datagram) { program.udpServ_DataArrival(datagram); },
                         kDatagramsPerWakeUp);
        });
    window.openConfiguration = [&window, &program] {
        frmConfig config(program, linux_platform::IsAdmin(), &window);
        config.runEvent = [&](const std::function<void()>& event) { window.RunEvent(event); };
        window.RunDialog(config);
    };
    signalWatcher.onExit = [&window] { window.RequestExit(); };
    signalWatcher.onReload = [&window] { window.RequestReload(); };
    signalWatcher.onReset = [&window] { window.RequestReset(); };
    signalWatcher.onTest = [&window] { window.RequestTest(); };
}

int RunProgram(const StartUp& start, QtLauncher& launcher, SignalWatcher& signalWatcher) {
    LinuxParts machine;
    QtEffects effects;
    Nodrel program(machine.For(effects, start.programName, &effects, &launcher));
    NodrelMain window(program, effects);
    Connect(window, program, machine, signalWatcher);

    window.Load(start.commandLine);
    if (!effects.Status()) {
        const int status = QApplication::exec();
        if (!effects.Status()) return status;
    }
    return *effects.Status();
}

int Main(int argc, char** argv) {
    const auto start = BeginStartUp(argc, argv, "nodrel", kSummary);
    if (start.endStatus == 0) return PrintAnswer(start, stdout, stderr);
    if (start.endStatus) return RefuseCommandLine(argc, argv, start.answer);
    SignalWatcher::BlockSignals();  // before Qt starts any thread

    linux_platform::AbstractSocketGuard guard;
    const bool giveWay = GiveWay(guard, start.switches);

    QApplication app(argc, argv);
    SetUpApplication();
    QtLauncher launcher;
    SignalWatcher signalWatcher;
    if (!signalWatcher.Ready()) {
        std::perror("nodrel: cannot watch its signals");
        return kStatusFailure;
    }
    return giveWay ? RunSecondCopy(launcher, signalWatcher)
                   : RunProgram(start, launcher, signalWatcher);
}

}  // namespace
}  // namespace nodrel::qt

int main(int argc, char** argv) {
    return nodrel::qt::Main(argc, argv);
}
