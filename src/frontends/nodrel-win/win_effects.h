#pragma once
// What the core asks of the Windows desktop: message boxes, the refresh timer, the tray
// icon, the main window's state and the end of the program.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/effects.h"
#include "frontends/nodrel-win/refresh_timer.h"
#include "frontends/nodrel-win/tray_icon.h"

namespace nodrel::win {

inline constexpr UINT_PTR kRefreshTimerId = 1;
inline constexpr TickGrid::Duration kRefreshPeriod{kRefreshPeriodMs};

class WinEffects : public Effects, public WindowEffects {
public:
    WinEffects() = default;
    WinEffects(const WinEffects&) = delete;
    WinEffects& operator=(const WinEffects&) = delete;

    // MessageBoxW with the style's own flags, owned by the window in front (the open
    // dialog or the main window) so that it stays before it. A box closed without a
    // button answers OK, or No.
    int ShowMessage(int style, const std::string& title, const std::string& text) override;
    // Stops the timer, removes the icon and ends the message loops with the status.
    void EndProgram(int status) override;
    void SetRefreshTimer(bool enabled) override;
    // Without a notification area the window stays minimised in the task bar
    // (TakeNoTrayNotice tells the main window).
    void AddTrayIcon() override;
    void RemoveTrayIcon() override;
    void Minimise() override;
    void HideWindow() override;
    void Restore() override;
    void CloseDialogs() override;
    // Answers each open box as the user would: OK, or No.
    void CloseMessageBoxes() override;

    // The main window: the timer, the tray icon and the window states act on it.
    void AttachWindow(HWND window, HICON icon);
    RefreshTimer* Timer() { return timer_.get(); }
    TrayIcon* Tray() { return tray_.get(); }

    // A modal window opened or closed: it owns the boxes while open, and CloseDialogs
    // calls `close` while it is open.
    void DialogOpened(HWND dialog, std::function<void()> close);
    void DialogClosed(HWND dialog);

    std::function<void()> onRestored;  // right after Restore has shown the window

    std::optional<int> Status() const { return status_; }
    bool InMessageBox() const { return boxes_ > 0; }
    // True once after the icon was wanted while no notification area took it.
    bool TakeNoTrayNotice();

private:
    struct OpenDialog {
        HWND window;
        std::function<void()> close;
    };
    HWND window_ = nullptr;
    std::unique_ptr<RefreshTimer> timer_;
    std::unique_ptr<TrayIcon> tray_;
    std::vector<OpenDialog> dialogs_;
    std::optional<int> status_;
    int boxes_ = 0;
    bool noTrayNotice_ = false;
};

}  // namespace nodrel::win
