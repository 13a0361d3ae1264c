#pragma once
// frmAbout: the about window. Shows the program's title, version and home page over its
// background picture, pauses the monitoring cycle while it is open and counts down to its
// own close, which the main window's tick carries out.
#include <memory>

#include "app/nodrel.h"
#include "frontends/nodrel-win/win/handle.h"
#include "frontends/nodrel-win/win/layout.h"
#include "frontends/nodrel-win/win/modal.h"

namespace nodrel::win {

class NodrelMain;

class frmAbout : public ModalWindow {
public:
    // Form_Load: the cycle pauses (Nodrel::AboutOpened) and the texts are set.
    frmAbout(Nodrel& program, NodrelMain& main);

protected:
    std::optional<LRESULT> OnModalMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Every way out lets the cycle go on.
    void OnClosed() override;

private:
    void Timer1_Timer();
    void WebSite_Click();
    void PaintBackground();
    std::optional<LRESULT> LabelColours(HDC dc, HWND label);

    Nodrel& program_;
    NodrelMain& main_;
    std::unique_ptr<Controls> controls_;
    Brush background_;      // the picture with the logo, as large as the client area
    bool visited_ = false;  // the web address was clicked: it stays orange
};

}  // namespace nodrel::win
