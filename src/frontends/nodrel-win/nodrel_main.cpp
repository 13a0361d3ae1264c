#include "frontends/nodrel-win/nodrel_main.h"

#include <windowsx.h>

#include "frontends/nodrel-win/control_ids.h"
#include "frontends/nodrel-win/frm_about.h"
#include "frontends/nodrel-win/res/resource.h"
#include "frontends/nodrel-win/win/text.h"
#include "platform/windows/winsock_link.h"

namespace nodrel::win {

namespace {

// The layout in 96-DPI pixels: the logo at the left, the three lines beside it, the
// buttons below.
constexpr int kWidth = 540;
constexpr int kHeight = 108;
constexpr int kLogoSide = 60;
constexpr int kLineLeft = 76;
constexpr int kLineWidth = kWidth - kLineLeft - 8;
constexpr int kButtonTop = 74;
constexpr int kButtonWidth = 98;
constexpr int kButtonStep = kButtonWidth + 8;
constexpr int kButtonsLeft = (kWidth - 5 * kButtonWidth - 4 * 8) / 2;
// Datagrams read per message, so a flood cannot hold up the timer or the window.

constexpr FontStyle kFonts[] = {{9}};

constexpr ControlRow kRows[] = {
    {IDC_Logo, Kind::Picture, L"", 8, 6, kLogoSide, kLogoSide},
    {IDC_Title, Kind::Label, L"", kLineLeft, 8, kLineWidth, 18, 0, SS_CENTER},
    {IDC_Counter, Kind::Label, L"", kLineLeft, 28, kLineWidth, 18, 0, SS_CENTER},
    {IDC_CPULoad, Kind::Label, L"", kLineLeft, 48, kLineWidth, 18, 0, SS_CENTER},
    {IDC_Exit, Kind::Button, L"Exit", kButtonsLeft, kButtonTop, kButtonWidth, 26},
    {IDC_About, Kind::Button, L"About", kButtonsLeft + kButtonStep, kButtonTop, kButtonWidth, 26},
    {IDC_Config, Kind::Button, L"Configure", kButtonsLeft + 2 * kButtonStep, kButtonTop,
     kButtonWidth, 26},
    {IDC_TestS, Kind::Button, L"Test", kButtonsLeft + 3 * kButtonStep, kButtonTop, kButtonWidth,
     26},
    {IDC_Reset, Kind::Button, L"Reset", kButtonsLeft + 4 * kButtonStep, kButtonTop, kButtonWidth,
     26},
};

}  // namespace

COLORREF ToColorRef(const Colour& colour) {
    switch (colour.kind) {
        case Colour::Kind::ButtonFace:
            return GetSysColor(COLOR_BTNFACE);
        case Colour::Kind::ButtonText:
            return GetSysColor(COLOR_BTNTEXT);
        case Colour::Kind::Rgb:
            break;
    }
    return RGB(colour.r, colour.g, colour.b);
}

NodrelMain::NodrelMain(Nodrel& program, WinEffects& effects, windows_platform::WinsockLink& link)
    : program_(program), effects_(effects), link_(link) {
    Create(L"NodrelMain", L"Nodrel", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
           WS_EX_CONTROLPARENT, kWidth, kHeight, nullptr);
    controls_ = std::make_unique<Controls>(Handle(), kRows, kFonts, Dpi());
    LoadIcons();
    LoadLogo();
    controls_->SetTip(IDC_Logo, "Nodrel's home page");
    effects_.AttachWindow(Handle(), smallIcon_.get());
    link_.NotifyWindow(Handle(), WM_APP_LINK);
    // Restore shows the window, which makes it the active one at once; the core is told
    // of that activation then, before it goes on to set the z-order.
    effects_.onRestored = [this] { program_.Form_Activate(); };
    Render();
}

// The caption's and the tray's icons at the window's DPI: at start, when the DPI changes
// and when the task bar comes back.
void NodrelMain::LoadIcons() {
    Icon small = LoadIconSized(IDI_NODREL, SystemIconSide(false, Dpi()));
    Icon big = LoadIconSized(IDI_NODREL, SystemIconSide(true, Dpi()));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    if (TrayIcon* tray = effects_.Tray()) tray->SetIcon(small.get());
    // The icons shown before go only now that nothing shows them.
    smallIcon_ = std::move(small);
    bigIcon_ = std::move(big);
}

void NodrelMain::LoadLogo() {
    Icon logo = LoadIconSized(IDI_LOGO, Scale(kLogoSide));
    SendMessageW((*controls_)[IDC_Logo], STM_SETICON, reinterpret_cast<WPARAM>(logo.get()), 0);
    logo_ = std::move(logo);
}

void NodrelMain::Load(const std::string& commandLine) {
    RunEvent([&] { program_.Form_Load(commandLine); });
    if (program_.EndStatus()) return;
    // A start in the tray has already minimised the window (and hidden it behind its icon).
    if (program_.Window().minimised) return;
    CentreOnScreen(Handle());
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
}

void NodrelMain::RunEvent(const std::function<void()>& event) {
    ++depth_;
    event();
    --depth_;
    if (depth_ > 0) return;
    if (effects_.TakeNoTrayNotice()) program_.NoTrayHost();
    Render();
}

void NodrelMain::RunDialog(ModalWindow& dialog) {
    effects_.DialogOpened(dialog.Handle(), [&dialog] { dialog.Close(); });
    dialog.RunModal(Handle());
    effects_.DialogClosed(dialog.Handle());
    RunEvent([] {});
}

void NodrelMain::Tick() {
    RunEvent([this] { program_.tmrRefresh_Timer(); });
    // A tick inside another event (a box stands) is drawn at once: it may start a countdown.
    if (depth_ > 0) Render();
    if (linkWaiting_ && !program_.InTick()) {
        linkWaiting_ = false;
        PostMessageW(Handle(), WM_APP_LINK, link_.Socket(), FD_READ);
    }
}

void NodrelMain::Render() {
    if (program_.EndStatus()) return;  // the window is about to go
    const MainWindow& now = program_.Window();
    const MainWindow* before = shown_ ? &*shown_ : nullptr;
    if (!before || before->caption != now.caption) {
        SetWindowTextW(Handle(), Wide(now.caption).c_str());
    }
    RenderLabel(IDC_Title, now.Title, before ? &before->Title : nullptr);
    RenderLabel(IDC_Counter, now.Counter, before ? &before->Counter : nullptr);
    RenderLabel(IDC_CPULoad, now.CPULoad, before ? &before->CPULoad : nullptr);
    RenderButton(IDC_Exit, now.Exit, before ? &before->Exit : nullptr);
    RenderButton(IDC_About, now.About, before ? &before->About : nullptr);
    RenderButton(IDC_Config, now.Config, before ? &before->Config : nullptr);
    RenderButton(IDC_TestS, now.TestS, before ? &before->TestS : nullptr);
    RenderButton(IDC_Reset, now.Reset, before ? &before->Reset : nullptr);
    if (!before || before->topmost != now.topmost) {
        SetTopmost(Handle(), now.topmost);
    }
    shown_ = now;
}

void NodrelMain::RenderLabel(int id, const LabelState& now, const LabelState* before) {
    const HWND label = (*controls_)[id];
    if (!before || before->caption != now.caption) {
        SetWindowTextW(label, Wide(now.caption).c_str());
    }
    controls_->SetBold(id, now.bold);
    if (before && (before->fore != now.fore || before->back != now.back)) {
        InvalidateRect(label, nullptr, TRUE);
    }
}

void NodrelMain::RenderButton(int id, const ButtonState& now, const ButtonState* before) {
    const HWND button = (*controls_)[id];
    if (!before || before->caption != now.caption) {
        SetWindowTextW(button, Wide(now.caption).c_str());
    }
    if (!before || before->toolTip != now.toolTip) controls_->SetTip(id, now.toolTip);
    if (!before || before->enabled != now.enabled) EnableWindow(button, now.enabled);
}

std::optional<LRESULT> NodrelMain::LabelColours(HDC dc, HWND label) {
    const MainWindow& now = program_.Window();
    const LabelState* state = nullptr;
    const int id = GetDlgCtrlID(label);
    if (id == IDC_Title) state = &now.Title;
    if (id == IDC_Counter) state = &now.Counter;
    if (id == IDC_CPULoad) state = &now.CPULoad;
    if (!state) return std::nullopt;
    SetTextColor(dc, ToColorRef(state->fore));
    SetBkColor(dc, ToColorRef(state->back));
    const HBRUSH brush = state->back.kind == Colour::Kind::ButtonFace
                             ? GetSysColorBrush(COLOR_BTNFACE)
                             : brushes_.For(ToColorRef(state->back));
    return reinterpret_cast<LRESULT>(brush);
}

void NodrelMain::OnCommand(int id) {
    switch (id) {
        case IDC_Exit:
            RunEvent([this] { program_.Form_Unload(); });
            break;
        case IDC_About: {
            frmAbout about(program_, *this);
            RunDialog(about);
            break;
        }
        case IDC_Config:
            if (openConfiguration) openConfiguration();
            break;
        case IDC_TestS:
            RunEvent([this] { program_.TestS_Click(); });
            break;
        case IDC_Reset:
            RunEvent([this] { program_.Reset_Click(); });
            break;
        case IDC_Logo:
            RunEvent([this] { program_.OpenHomePage("Nodrel"); });
            break;
        default:
            break;
    }
}

void NodrelMain::OnTray(LPARAM lParam) {
    TrayIcon* tray = effects_.Tray();
    if (!tray || effects_.InMessageBox()) return;  // a box may stand in the middle of a step
    switch (tray->Decode(lParam)) {
        case TrayRequest::Restore:
            RunEvent([this] { program_.TrayDoubleClick(); });
            break;
        case TrayRequest::ShowMenu:
            if (tray->RunMenu()) RunEvent([this] { program_.TrayDoubleClick(); });
            break;
        case TrayRequest::None:
            break;
    }
}

void NodrelMain::OnLinkReadable(WPARAM socket) {
    // A message queued before the socket was closed names the old one.
    if (socket != link_.Socket()) return;
    if (program_.InTick()) {
        linkWaiting_ = true;  // a box stands in the middle of a tick: read once it is done
        return;
    }
    // A flood keeps posted messages ahead of WM_TIMER: a due tick goes first.
    if (RefreshTimer* timer = effects_.Timer(); timer && timer->TakeDue()) Tick();
    if (program_.EndStatus()) return;
    RunEvent([this] {
        link_.Receive([this](std::string_view datagram) { program_.udpServ_DataArrival(datagram); },
                      kDatagramsPerWakeUp);
    });
}

std::optional<LRESULT> NodrelMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TrayIcon::TaskbarCreatedMessage()) {
        LoadIcons();  // the scaling may have changed while the task bar was away
        if (TrayIcon* tray = effects_.Tray()) tray->Recreate();
        return 0;
    }
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == STN_CLICKED) {
                OnCommand(LOWORD(wParam));
            }
            return 0;
        case WM_TIMER:
            if (wParam == kRefreshTimerId && effects_.Timer() && effects_.Timer()->OnTimer()) {
                Tick();
            }
            return 0;
        case WM_APP_LINK:
            OnLinkReadable(wParam);
            return 0;
        case WM_APP_TRAY:
            OnTray(lParam);
            return 0;
        case WM_SIZE: {
            if (wParam != SIZE_MINIMIZED && wParam != SIZE_RESTORED) return std::nullopt;
            const bool minimised = wParam == SIZE_MINIMIZED;
            if (minimised != reportedMinimised_ && !program_.EndStatus()) {
                reportedMinimised_ = minimised;
                RunEvent([this, minimised] { program_.Form_Resize(minimised); });
            }
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && !program_.EndStatus()) {
                RunEvent([this] { program_.Form_Activate(); });
            }
            return std::nullopt;
        case WM_QUERYENDSESSION:
            return TRUE;  // never in the way of a log-off or shutdown
        case WM_ENDSESSION:
            // Ended only once the session really ends: another program may still stop it.
            if (wParam && !program_.EndStatus()) {
                RunEvent([this] { program_.SessionEnding(); });
            }
            return 0;
        case WM_CLOSE:
            // Closing cannot be refused: the program ends, logging the phase.
            if (!program_.EndStatus()) RunEvent([this] { program_.Form_Unload(); });
            return 0;
        case WM_CTLCOLORSTATIC:
            return LabelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SYSCOLORCHANGE:
            brushes_.Clear();
            InvalidateRect(Handle(), nullptr, TRUE);
            return std::nullopt;
        case WM_DPICHANGED:
            FollowDpiChange(Handle(), *controls_, wParam, lParam);
            LoadLogo();
            LoadIcons();
            return 0;
        case WM_DESTROY:
            if (TrayIcon* tray = effects_.Tray()) tray->Remove();
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace nodrel::win
