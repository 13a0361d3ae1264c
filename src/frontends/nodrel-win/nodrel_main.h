#pragma once
// NodrelMain: the main window. Draws the core's window state after every event (only
// what changed), passes the clicks, the window's own events, the tray icon, the refresh
// timer and the link socket's messages to the core, and runs the modal windows.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/nodrel.h"
#include "frontends/nodrel-win/win/handle.h"
#include "frontends/nodrel-win/win/layout.h"
#include "frontends/nodrel-win/win/modal.h"
#include "frontends/nodrel-win/win/window.h"
#include "frontends/nodrel-win/win_effects.h"
#include "ui/main_window.h"

namespace nodrel::windows_platform {
class WinsockLink;
}

namespace nodrel::win {

// One of the core's colours on this desktop: the rest colours are the system's
// button colours.
COLORREF ToColorRef(const Colour& colour);

class NodrelMain : public Window {
public:
    NodrelMain(Nodrel& program, WinEffects& effects, windows_platform::WinsockLink& link);

    // Form_Load with the command line, then the window shown as the core left it: normal
    // and centred, or in the tray (or minimised in the task bar without one).
    void Load(const std::string& commandLine);
    // One event of the program: the window is drawn anew once the outermost one returns.
    void RunEvent(const std::function<void()>& event);
    // Runs a modal window of the program: the tick may close it (CloseDialogs), the main
    // window stays disabled meanwhile and is drawn anew once it has gone.
    void RunDialog(ModalWindow& dialog);

    // Opens the configuration window; until it is set the Configure button does nothing.
    std::function<void()> openConfiguration;

protected:
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Render();
    void RenderLabel(int id, const LabelState& now, const LabelState* before);
    void RenderButton(int id, const ButtonState& now, const ButtonState* before);
    void LoadIcons();
    void LoadLogo();
    void OnCommand(int id);
    void OnTray(LPARAM lParam);
    void OnLinkReadable(WPARAM socket);
    void Tick();
    std::optional<LRESULT> LabelColours(HDC dc, HWND label);

    Nodrel& program_;
    WinEffects& effects_;
    windows_platform::WinsockLink& link_;
    std::unique_ptr<Controls> controls_;
    Icon smallIcon_;
    Icon bigIcon_;
    Icon logo_;
    BrushCache brushes_;
    std::optional<MainWindow> shown_;  // what the controls show now
    int depth_ = 0;                    // events of the program under way
    bool reportedMinimised_ = false;   // the state Form_Resize last told the core
    bool linkWaiting_ = false;         // datagrams arrived while the core was in a tick
};

}  // namespace nodrel::win
