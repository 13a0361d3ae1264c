#pragma once
// NodrelMain: the main window. Draws the core's window state after every event (only
// what changed), passes the user's clicks, the window's own events and the tray icon's
// double click to the core, and runs the about and configuration windows.
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/nodrel.h"
#include "frontends/nodrel/link_watcher.h"
#include "frontends/nodrel/qt_effects.h"
#include "ui/main_window.h"

class QDialog;
class QLabel;
class QPushButton;

namespace nodrel::qt {

class PictureLabel;

// One of the core's colours on this desktop: the rest colours are the palette's
// button colours.
QColor ToQColor(const Colour& colour);

class NodrelMain : public QWidget {
    Q_OBJECT

public:
    NodrelMain(Nodrel& program, QtEffects& effects, QWidget* parent = nullptr);
    ~NodrelMain() override;

    // Form_Load with the command line, then the window shown as the core left it: normal
    // and centred, or minimised (in the tray, or in the task bar without a tray host).
    void Load(const std::string& commandLine);
    // One event of the program (a tick, a click, a datagram...): the window is drawn anew
    // once the outermost event has returned.
    void RunEvent(const std::function<void()>& event);
    // The refresh timer's tick.
    void Tick();

    // Requests from outside the window (SIGINT or SIGTERM, SIGHUP, SIGUSR1, SIGUSR2). A
    // message box may stand in the middle of a step of the program, so each waits until no
    // box is open; an exit closes the open boxes (without an answer) to get there. Reload,
    // Reset and Test also wait until the about or configuration window has closed, as the
    // cycle does; an exit ends the program and closes the window.
    void RequestExit();
    void RequestReload();
    void RequestReset();
    void RequestTest();

    // For an event of the program that blocks (a power action's waits): lets the window
    // system's events through (not the sockets' ones) and tells whether the window was
    // asked to close meanwhile. No event of the program runs inside: clicks are lost.
    bool CloseRequestedWhileBlocked();

    // Runs one of the program's modal windows: the tick may close it (CloseDialogs), and
    // the main window is drawn anew once it has gone.
    void RunDialog(QDialog& dialog);

    // Reads the link's datagrams as events of the program: `fd` gives the socket now (a
    // reload may replace it), `receive` reads what has arrived. Held only while a box
    // stands in the middle of a tick, when the cycle is held too.
    void WatchLink(std::function<int()> fd, std::function<void()> receive);

    // Opens the configuration window; until it is set the Configure button does nothing.
    std::function<void()> openConfiguration;

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void AfterEvent();
    void Render();
    void ApplyTopmost(bool on);
    void WhenNoBox(std::function<void()> action);
    void RunDeferred();
    void BoxesChanged();
    void FollowLink();

    void Exit_Click();
    void About_Click();
    void Config_Click();
    void Logo_Click();

    Nodrel& program_;
    QtEffects& effects_;

    QLabel* Title = nullptr;
    QLabel* Counter = nullptr;
    QLabel* CPULoad = nullptr;
    QPushButton* Exit = nullptr;
    QPushButton* About = nullptr;
    QPushButton* Config = nullptr;
    QPushButton* TestS = nullptr;
    QPushButton* Reset = nullptr;
    PictureLabel* Logo = nullptr;
    std::unique_ptr<LinkWatcher> link_;

    std::optional<MainWindow> shown_;  // what the controls show now
    int depth_ = 0;                    // events of the program under way
    bool activeReported_ = false;      // Form_Activate told since the window last left
    int dialogs_ = 0;                  // about or configuration windows open
    std::vector<std::function<void()>> deferred_;
    bool exitRequested_ = false;
    bool deferredQueued_ = false;
    bool blocked_ = false;         // inside CloseRequestedWhileBlocked
    bool closeRequested_ = false;  // the window was asked to close while blocked
};

}  // namespace nodrel::qt
