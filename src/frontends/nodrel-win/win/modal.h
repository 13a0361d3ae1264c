#pragma once
// A window shown modally: the window it blocks is disabled while its own message loop
// runs, tab and Enter/Escape work through IsDialogMessage, and every way of closing it
// (its buttons, Escape, the title bar, the program) ends in Close().
#include "frontends/nodrel-win/win/window.h"

namespace nodrel::win {

class ModalWindow : public Window {
public:
    // Shows the window and returns once it has closed or the program is ending (the
    // WM_QUIT is passed on to the outer loop).
    void RunModal(HWND blocked);
    // Closes the window at the next turn of its loop; the first call runs OnClosed.
    void Close();
    bool Closed() const { return closed_; }

protected:
    virtual void OnClosed() {}
    // WM_CLOSE and Escape close the window; other messages are the window's own.
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual std::optional<LRESULT> OnModalMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    bool closed_ = false;
};

}  // namespace nodrel::win
