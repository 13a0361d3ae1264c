#include "frontends/nodrel-win/multi_inst.h"

#include "app/startup.h"
#include "frontends/nodrel-win/control_ids.h"
#include "frontends/nodrel-win/res/resource.h"
#include "frontends/nodrel-win/win/text.h"
#include "frontends/nodrel-win/win_effects.h"

namespace nodrel::win {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 106;
constexpr COLORREF kBlack = RGB(0, 0, 0);

constexpr FontStyle kFonts[] = {{9}, {9.75}};

constexpr ControlRow kRows[] = {
    {IDC_Image1, Kind::Picture, L"", 12, 16, 32, 32},
    {IDC_ErrorMess, Kind::Label, L"Error Message", 56, 8, 214, 58, 1},
    {IDC_Logo, Kind::Picture, L"", 272, 8, 40, 40},
    {IDC_Exit, Kind::DefaultButton, L"OK", 122, 70, 76, 26},
};

}  // namespace

MultiInst::MultiInst(Launcher& launcher, WinEffects& effects)
    : launcher_(launcher), effects_(effects) {
    // Form_Load.
    Create(L"MultiInst", Wide(kSecondCopyTitle), WS_POPUP | WS_CAPTION | WS_SYSMENU,
           WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_TOPMOST | WS_EX_APPWINDOW, kWidth,
           kHeight, nullptr);
    controls_ = std::make_unique<Controls>(Handle(), kRows, kFonts, Dpi());
    SetWindowTextW((*controls_)[IDC_ErrorMess], Wide(kSecondCopyText).c_str());
    LoadPictures();
    controls_->SetTip(IDC_Exit, "Exit");
    controls_->SetTip(IDC_Logo, "Nodrel's home page");
    CentreOnScreen(Handle());
}

// The image, the logo and the caption's icons at the window's DPI.
void MultiInst::LoadPictures() {
    Icon image = LoadIconSized(IDI_NODREL, Scale(32));
    Icon logo = LoadIconSized(IDI_LOGO, Scale(40));
    Icon small = LoadIconSized(IDI_NODREL, SystemIconSide(false, Dpi()));
    SendMessageW((*controls_)[IDC_Image1], STM_SETICON, reinterpret_cast<WPARAM>(image.get()), 0);
    SendMessageW((*controls_)[IDC_Logo], STM_SETICON, reinterpret_cast<WPARAM>(logo.get()), 0);
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(image.get()));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    // The pictures shown before go only now that nothing shows them.
    image_ = std::move(image);
    logo_ = std::move(logo);
    smallIcon_ = std::move(small);
}

int MultiInst::Run() {
    effects_.DialogOpened(Handle(), [this] { Close(); });
    KeepOnTop();
    SetFocus((*controls_)[IDC_Exit]);
    RunModal(nullptr);
    effects_.DialogClosed(Handle());
    return kStatusFailure;
}

void MultiInst::KeepOnTop() {
    SetTopmost(Handle(), true);
}

std::optional<LRESULT> MultiInst::OnModalMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_Exit || LOWORD(wParam) == IDOK) Close();
            if (LOWORD(wParam) == IDC_Logo && HIWORD(wParam) == STN_CLICKED) {
                LaunchHomePage(&launcher_, effects_, "Nodrel");
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) != (*controls_)[IDC_ErrorMess]) return std::nullopt;
            SetTextColor(reinterpret_cast<HDC>(wParam), kBlack);
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_DPICHANGED:
            FollowDpiChange(Handle(), *controls_, wParam, lParam);
            LoadPictures();
            return 0;
        case WM_ACTIVATE:
            // Form_Activate: always above all other windows.
            if (LOWORD(wParam) != WA_INACTIVE) KeepOnTop();
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace nodrel::win
