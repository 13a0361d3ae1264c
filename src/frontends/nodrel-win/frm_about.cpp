#include "frontends/nodrel-win/frm_about.h"

#include "app/launcher.h"
#include "common/text.h"
#include "frontends/nodrel-win/control_ids.h"
#include "frontends/nodrel-win/nodrel_main.h"
#include "frontends/nodrel-win/res/resource.h"
#include "frontends/nodrel-win/win/text.h"

namespace nodrel::win {

namespace {

constexpr int kWidth = 280;
constexpr int kHeight = 330;
constexpr int kLogoSide = 92;
constexpr UINT_PTR Timer1 = 1;

constexpr COLORREF kBlack = RGB(0, 0, 0);

enum AboutFont { Regular, Name, VersionFont, Link, Bold };
constexpr FontStyle kFonts[] = {{9}, {15.75}, {12}, {9, false, true}, {9, true}};

constexpr ControlRow kRows[] = {
    // First in the tab order, so it takes the focus; lies behind the Close button.
    {IDC_Text1, Kind::Edit, L"", (kWidth - 96) / 2 + 4, 288, 1, 1, Regular, 0},
    {IDC_ProgName, Kind::Label, L"Prog Name", 0, 104, kWidth, 30, Name, SS_CENTER},
    {IDC_ProgVersion, Kind::Label, L"Version", 0, 137, kWidth, 32, VersionFont, SS_CENTER},
    {IDC_WebSite, Kind::Label, L"", 0, 184, kWidth, 22, Link, SS_CENTER | SS_NOTIFY},
    {IDC_TMessage, Kind::Label, L"", 0, 226, kWidth, 22, Bold, SS_CENTER},
    {IDC_ExitAbout, Kind::Button, L"Close", (kWidth - 96) / 2, 284, 96, 30, Regular},
};

}  // namespace

frmAbout::frmAbout(Nodrel& program, NodrelMain& main) : program_(program), main_(main) {
    Create(L"frmAbout", L"About", WS_POPUP | WS_CAPTION | WS_SYSMENU,
           WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kWidth, kHeight, nullptr,
           static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    controls_ = std::make_unique<Controls>(Handle(), kRows, kFonts, Dpi());
    SetWindowPos((*controls_)[IDC_Text1], HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Borderless: only there to hold the focus.
    const HWND text1 = (*controls_)[IDC_Text1];
    SetWindowLongPtrW(text1, GWL_STYLE, GetWindowLongPtrW(text1, GWL_STYLE) & ~WS_BORDER);
    controls_->SetTip(IDC_ExitAbout, "Close About Screen");
    controls_->SetTip(IDC_WebSite, "Open the home page");
    PaintBackground();

    // Form_Load.
    program_.AboutOpened();
    SetWindowTextW(Handle(), Wide("About " + program_.State().ProgTitle).c_str());
    SetWindowTextW((*controls_)[IDC_ProgName], Wide(program_.State().ProgTitle).c_str());
    SetWindowTextW((*controls_)[IDC_ProgVersion], Wide("Version " + std::string(kVersion)).c_str());
    SetWindowTextW((*controls_)[IDC_WebSite], Wide(HomePageAddress).c_str());
    CentreOnScreen(Handle());
    SetTimer(Handle(), Timer1, 1000, nullptr);
    SetFocus((*controls_)[IDC_Text1]);
}

void frmAbout::PaintBackground() {
    RECT client{};
    GetClientRect(Handle(), &client);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    Bitmap picture(static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(IDB_ABOUT),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const int side = Scale(kLogoSide);
    Icon logo(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_LOGO), IMAGE_ICON, side, side, 0)));
    const HDC screen = GetDC(Handle());
    const HDC canvas = CreateCompatibleDC(screen);
    const HDC source = CreateCompatibleDC(screen);
    Bitmap drawn(CreateCompatibleBitmap(screen, client.right, client.bottom));
    const HGDIOBJ oldCanvas = SelectObject(canvas, drawn.get());
    FillRect(canvas, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (picture) {
        BITMAP size{};
        GetObjectW(picture.get(), sizeof size, &size);
        const HGDIOBJ oldSource = SelectObject(source, picture.get());
        SetStretchBltMode(canvas, HALFTONE);
        StretchBlt(canvas, 0, 0, client.right, client.bottom, source, 0, 0, size.bmWidth,
                   size.bmHeight, SRCCOPY);
        SelectObject(source, oldSource);
    }
    if (logo)
        DrawIconEx(canvas, (client.right - side) / 2, Scale(8), logo.get(), side, side, 0, nullptr,
                   DI_NORMAL);
    SelectObject(canvas, oldCanvas);
    DeleteDC(source);
    DeleteDC(canvas);
    ReleaseDC(Handle(), screen);
    background_.reset(CreatePatternBrush(drawn.get()));
}

void frmAbout::Timer1_Timer() {
    const HWND label = (*controls_)[IDC_TMessage];
    SetWindowTextW(label, Wide(program_.AboutSecond()).c_str());
    InvalidateRect(label, nullptr, TRUE);
}

void frmAbout::WebSite_Click() {
    visited_ = true;
    InvalidateRect((*controls_)[IDC_WebSite], nullptr, TRUE);
    UpdateWindow((*controls_)[IDC_WebSite]);
    main_.RunEvent([this] { program_.OpenHomePage(program_.State().ProgTitle); });
}

void frmAbout::OnClosed() {
    KillTimer(Handle(), Timer1);
    program_.DialogClosed();
}

std::optional<LRESULT> frmAbout::LabelColours(HDC dc, HWND label) {
    COLORREF colour = kBlack;
    switch (GetDlgCtrlID(label)) {
        case IDC_ProgVersion:
            colour = ToColorRef(kWhite);
            break;
        case IDC_WebSite:
            colour = ToColorRef(visited_ ? kOrange : kDarkGreen);
            break;
        case IDC_TMessage:
            colour = ToColorRef(kOrange);
            break;
        default:
            break;
    }
    // Drawn over the picture: the label's background is the picture's part behind it.
    RECT place{};
    GetWindowRect(label, &place);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&place), 2);
    SetBrushOrgEx(dc, -place.left, -place.top, nullptr);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(background_.get());
}

std::optional<LRESULT> frmAbout::OnModalMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == Timer1) Timer1_Timer();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_ExitAbout) Close();
            if (LOWORD(wParam) == IDC_WebSite && HIWORD(wParam) == STN_CLICKED) WebSite_Click();
            return 0;
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(Handle(), &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
            return 1;
        }
        case WM_CTLCOLORSTATIC:
            return LabelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DPICHANGED:
            // The picture and the logo are drawn for the new size of the window.
            FollowDpiChange(Handle(), *controls_, wParam, lParam);
            PaintBackground();
            InvalidateRect(Handle(), nullptr, TRUE);
            return 0;
        case WM_ACTIVATE:
            // Form_Activate: above all other windows when the settings ask it of the program.
            if (LOWORD(wParam) != WA_INACTIVE && program_.State().settings.RunOnTop == 2) {
                SetTopmost(Handle(), true);
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace nodrel::win
