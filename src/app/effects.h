#pragma once
// What the core asks of a front end besides the window's visible state: `Effects` of every
// front end, `WindowEffects` of one with a main window on a desktop.
#include <string>

#include "common/text.h"

namespace nodrel {

// The refresh timer's period: the cycle works on every second tick.
inline constexpr int kRefreshPeriodMs = 500;

class Effects {
public:
    virtual ~Effects() = default;
    // A modal message; returns box::kAnswerOk, kAnswerYes or kAnswerNo.
    virtual int ShowMessage(int style, const std::string& title, const std::string& text) = 0;
    // The program ends with this exit status once the current event has returned.
    virtual void EndProgram(int status) = 0;
    // Switches the refresh timer (kRefreshPeriodMs); switching it on starts a fresh period.
    virtual void SetRefreshTimer(bool enabled) = 0;
    // Whether someone can answer a question; a console program has nobody to ask.
    virtual bool CanAsk() const { return true; }
};

// The main window, its tray icon and its dialogs. A front end without them hands none over.
class WindowEffects {
public:
    virtual ~WindowEffects() = default;
    virtual void AddTrayIcon() = 0;
    virtual void RemoveTrayIcon() = 0;
    // Minimise to the tray (the window state already says so).
    virtual void Minimise() = 0;
    // Hides the minimised window (its tray icon stays).
    virtual void HideWindow() = 0;
    // Back from the tray: shown, centred on the screen, kept on top as the state says.
    virtual void Restore() = 0;
    // Close the about and configuration windows without saving.
    virtual void CloseDialogs() = 0;
    // Close the open message boxes without an answer: they answer OK, or No.
    virtual void CloseMessageBoxes() = 0;
};

}  // namespace nodrel
