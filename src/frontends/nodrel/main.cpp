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

namespace {

constexpr std::string_view Summary =
    "Watches the processor load and powers the computer off after a quiet spell,\n"
    "in a small window or in the tray. Signals: SIGINT/SIGTERM exit, SIGHUP\n"
    "re-reads the settings, SIGUSR1 resets, SIGUSR2 starts a test.\n"
    "Run it in the folder that holds Data/Nodrel4.ini; the log goes where LogPath says.";

// A command line it does not accept: the usage on stderr and in a box, and the end.
int RefuseCommandLine(int argc, char** argv, const std::string& answer) {
    std::fputs(answer.c_str(), stderr);
    QApplication app(argc, argv);
    QMessageBox::critical(nullptr, QStringLiteral("Nodrel"), nodrel::qt::ToQString(answer));
    return nodrel::StatusFailure;
}

}  // namespace

int main(int argc, char** argv) {
    const auto start = nodrel::BeginStartUp(argc, argv, "nodrel", Summary);
    if (start.endStatus == 0) return nodrel::PrintAnswer(start, stdout, stderr);
    if (start.endStatus) return RefuseCommandLine(argc, argv, start.answer);
    nodrel::qt::SignalWatcher::BlockSignals();  // before Qt starts any thread

    nodrel::linux_platform::AbstractSocketGuard guard;
    const bool giveWay = nodrel::GiveWay(guard, start.switches);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("nodrel"));
    // The program ends through its own exit paths, not when its last window closes: the
    // main window is often hidden behind its tray icon while a message box comes and goes.
    QApplication::setQuitOnLastWindowClosed(false);
    nodrel::qt::LoadPictures();
    QApplication::setWindowIcon(nodrel::qt::ProgramIcon());
    nodrel::qt::QtLauncher launcher;

    nodrel::qt::SignalWatcher signalWatcher;
    if (!signalWatcher.Ready()) {
        std::perror("nodrel: cannot watch its signals");
        return nodrel::StatusFailure;
    }

    if (giveWay) {
        nodrel::qt::QtEffects effects;
        nodrel::qt::MultiInst window(launcher, effects);
        // SIGINT and SIGTERM end it as OK does, also while the logo's box is open; the
        // other signals have nothing to steer.
        signalWatcher.onExit = [&] {
            effects.CloseMessageBoxes();
            window.Exit_Click();
        };
        return window.Run();
    }
    nodrel::linux_platform::LinuxParts machine;
    auto& link = machine.link;

    nodrel::qt::QtEffects effects;
    nodrel::Nodrel program(machine.For(effects, start.programName, &effects, &launcher));
    nodrel::qt::NodrelMain window(program, effects);
    machine.power.stopRequested = [&] {
        return nodrel::linux_platform::TakeExitSignal() || window.CloseRequestedWhileBlocked();
    };

    window.WatchLink(
        [&] { return link.Fd(); },
        [&] {
            link.Receive([&](std::string_view datagram) { program.udpServ_DataArrival(datagram); },
                         nodrel::DatagramsPerWakeUp);
        });
    window.openConfiguration = [&] {
        nodrel::qt::frmConfig config(program, nodrel::linux_platform::IsAdmin(), &window);
        config.runEvent = [&](const std::function<void()>& event) { window.RunEvent(event); };
        window.RunDialog(config);
    };
    signalWatcher.onExit = [&] { window.RequestExit(); };
    signalWatcher.onReload = [&] { window.RequestReload(); };
    signalWatcher.onReset = [&] { window.RequestReset(); };
    signalWatcher.onTest = [&] { window.RequestTest(); };

    window.Load(start.commandLine);
    if (!effects.Status()) {
        const int status = QApplication::exec();
        if (!effects.Status()) return status;
    }
    return *effects.Status();
}
