#include "frontends/nodrel-win/win_effects.h"

#include <cwchar>
#include <iterator>
#include <utility>

#include "frontends/nodrel-win/control_ids.h"
#include "frontends/nodrel-win/win/text.h"
#include "frontends/nodrel-win/win/window.h"

namespace nodrel::win {

// The core's box styles and answers are the window system's own numbers.
static_assert(box::kPlain == MB_OK && box::kCritical == (MB_OK | MB_ICONERROR));
static_assert(box::kCriticalYesNo == (MB_YESNO | MB_ICONERROR));
static_assert(box::kExclamation == MB_ICONEXCLAMATION && box::kInformation == MB_ICONINFORMATION);
static_assert(box::kAnswerOk == IDOK && box::kAnswerYes == IDYES && box::kAnswerNo == IDNO);

int WinEffects::ShowMessage(int style, const std::string& title, const std::string& text) {
    const bool question = style == box::kCriticalYesNo;
    const int unanswered = question ? box::kAnswerNo : box::kAnswerOk;
    if (status_) return unanswered;
    HWND owner = dialogs_.empty() ? window_ : dialogs_.back().window;
    if (owner && !IsWindowVisible(owner)) owner = nullptr;
    ++boxes_;
    const int answer =
        MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(),
                    static_cast<UINT>(style) | MB_SETFOREGROUND | (owner ? 0 : MB_TASKMODAL));
    --boxes_;
    if (answer == IDYES || answer == IDNO) return answer;
    return unanswered;
}

void WinEffects::EndProgram(int status) {
    status_ = status;
    if (timer_) timer_->Stop();
    if (tray_) tray_->Remove();
    PostQuitMessage(status);
}

void WinEffects::SetRefreshTimer(bool enabled) {
    if (!timer_) return;
    if (enabled && !status_) {
        timer_->Start();  // a fresh period from now
    } else {
        timer_->Stop();
    }
}

void WinEffects::AddTrayIcon() {
    if (tray_ && !tray_->Add()) noTrayNotice_ = true;
}

void WinEffects::RemoveTrayIcon() {
    if (tray_) tray_->Remove();
}

bool WinEffects::TakeNoTrayNotice() {
    return std::exchange(noTrayNotice_, false);
}

void WinEffects::Minimise() {
    if (window_) ShowWindow(window_, SW_SHOWMINNOACTIVE);
}

void WinEffects::HideWindow() {
    // Hidden only behind a tray icon: otherwise it would be lost to the user.
    if (window_ && tray_ && tray_->Shown()) ShowWindow(window_, SW_HIDE);
}

void WinEffects::Restore() {
    if (!window_) return;
    ShowWindow(window_, SW_RESTORE);
    CentreOnScreen(window_);
    SetForegroundWindow(window_);
    if (onRestored) onRestored();
}

void WinEffects::CloseDialogs() {
    const auto open = dialogs_;
    for (const OpenDialog& dialog : open) dialog.close();
}

namespace {

// A message box is a dialog of the system's class "#32770"; the program's own windows have
// classes of their own. A Yes/No box is answered No; any other box as Escape would (OK).
BOOL CALLBACK CloseUnanswered(HWND window, LPARAM) {
    wchar_t className[16]{};
    GetClassNameW(window, className, static_cast<int>(std::size(className)));
    if (std::wcscmp(className, L"#32770") != 0) return TRUE;
    const HWND no = GetDlgItem(window, IDNO);
    const WORD command = no ? IDNO : IDCANCEL;
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), reinterpret_cast<LPARAM>(no));
    return TRUE;
}

}  // namespace

void WinEffects::CloseMessageBoxes() {
    if (boxes_ > 0) EnumThreadWindows(GetCurrentThreadId(), CloseUnanswered, 0);
}

void WinEffects::AttachWindow(HWND window, HICON icon) {
    window_ = window;
    timer_ = std::make_unique<RefreshTimer>(window, kRefreshTimerId, kRefreshPeriod);
    tray_ = std::make_unique<TrayIcon>(window, WM_APP_TRAY, icon);
}

void WinEffects::DialogOpened(HWND dialog, std::function<void()> close) {
    dialogs_.push_back({dialog, std::move(close)});
}

void WinEffects::DialogClosed(HWND dialog) {
    std::erase_if(dialogs_, [dialog](const OpenDialog& open) { return open.window == dialog; });
}

}  // namespace nodrel::win
