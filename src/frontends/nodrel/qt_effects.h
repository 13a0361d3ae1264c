#pragma once
// What the core asks of the desktop: message boxes, the refresh timer, the tray icon,
// the main window's state and the end of the program.
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/effects.h"

class QMessageBox;
class QWidget;

namespace nodrel::qt {

// The main window's tray icon shows "Nodrel" and the program's icon.
inline const char* const kTrayTip = "Nodrel";

class QtEffects : public Effects, public WindowEffects {
public:
    // `trayAvailable` tells whether a tray host runs now; asked whenever the icon is wanted.
    explicit QtEffects(
        std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable);
    ~QtEffects() override;
    QtEffects(const QtEffects&) = delete;
    QtEffects& operator=(const QtEffects&) = delete;

    // A modal QMessageBox without an owner: 0 plain, 16 critical, 20 critical with Yes
    // and No, 48 warning, 64 information. A box closed without a button answers as its
    // Escape key would: OK, or No.
    int ShowMessage(int style, const std::string& title, const std::string& text) override;
    // Leaves the event loops with the status once the current event has returned.
    void EndProgram(int status) override;
    void SetRefreshTimer(bool enabled) override;
    // Without a tray host the icon cannot be shown: the window then stays minimised in the
    // task bar instead of being hidden (see TakeNoTrayNotice).
    void AddTrayIcon() override;
    void RemoveTrayIcon() override;
    void Minimise() override;
    void HideWindow() override;
    void Restore() override;
    void CloseDialogs() override;
    // Closes the open message boxes without an answer (they answer OK, or No).
    void CloseMessageBoxes() override;

    // The main window that Minimise, HideWindow and Restore act on.
    void AttachWindow(QWidget* window);
    // A window that CloseDialogs closes (close(), as its title bar would) while it is open:
    // the about and configuration windows.
    void RegisterDialog(QWidget* dialog);

    std::function<void()> onTick;             // every kRefreshPeriodMs while the timer runs
    std::function<void()> onTrayDoubleClick;  // a double click on the tray icon
    std::function<void()> onRestored;         // right after Restore has shown the window
    std::function<void()> onMessageBoxes;     // a message box has opened or closed
    // How the program leaves its event loops; tests keep their loop running.
    std::function<void(int)> quit = [](int status) { QCoreApplication::exit(status); };

    std::optional<int> Status() const { return status_; }
    bool InMessageBox() const { return !boxes_.empty(); }
    // True once after the icon was wanted while no tray host ran.
    bool TakeNoTrayNotice();

    const QTimer& RefreshTimer() const { return refresh_; }
    QSystemTrayIcon& TrayIcon() { return tray_; }

private:
    std::function<bool()> trayAvailable_;
    QTimer refresh_;
    // For tray hosts that pass on no double click: the same restore from the icon's menu.
    // Declared first, so it outlives the icon that points at it.
    QMenu trayMenu_;
    QSystemTrayIcon tray_;
    QPointer<QWidget> window_;
    std::vector<QPointer<QWidget>> dialogs_;
    std::vector<QPointer<QMessageBox>> boxes_;
    std::optional<int> status_;
    bool noTrayNotice_ = false;
};

// Moves a window to the middle of its screen's free area.
void CentreOnScreen(QWidget& window);

}  // namespace nodrel::qt
