#include "frontends/nodrel-win/tray_icon.h"

#include <shellapi.h>

#include "frontends/nodrel-win/win/handle.h"

namespace nodrel::win {

namespace {
constexpr UINT kIconId = 1;
constexpr UINT_PTR kRestoreCommand = 1;
}  // namespace

TrayRequest DecodeTrayNotification(bool version4, LPARAM lParam) {
    const UINT event = version4 ? LOWORD(lParam) : static_cast<UINT>(lParam);
    switch (event) {
        case WM_LBUTTONDBLCLK:
            return TrayRequest::Restore;
        // Version 4 sends WM_CONTEXTMENU and also WM_RBUTTONUP: one menu only.
        case WM_CONTEXTMENU:
            return TrayRequest::ShowMenu;
        case WM_RBUTTONUP:
            return version4 ? TrayRequest::None : TrayRequest::ShowMenu;
        default:
            return TrayRequest::None;
    }
}

TrayIcon::TrayIcon(HWND owner, UINT callbackMessage, HICON icon)
    : owner_(owner), message_(callbackMessage), icon_(icon) {
    // Explorer runs at a lower integrity level than an elevated copy, whose window would
    // otherwise never hear that the task bar came back.
    ChangeWindowMessageFilterEx(owner, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
}

NOTIFYICONDATAW TrayIcon::Data() const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    data.uCallbackMessage = message_;
    data.hIcon = icon_;
    wcscpy_s(data.szTip, L"Nodrel");
    return data;
}

bool TrayIcon::Add() {
    wanted_ = true;
    if (shown_) return true;
    NOTIFYICONDATAW data = Data();
    shown_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    if (shown_) {
        data.uVersion = NOTIFYICON_VERSION_4;
        version4_ = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
    }
    return shown_;
}

void TrayIcon::Remove() {
    wanted_ = false;
    if (!shown_) return;
    NOTIFYICONDATAW data = Data();
    Shell_NotifyIconW(NIM_DELETE, &data);
    shown_ = false;
}

void TrayIcon::Recreate() {
    if (!wanted_) return;
    NOTIFYICONDATAW data = Data();
    if (Shell_NotifyIconW(NIM_MODIFY, &data)) {
        shown_ = true;
        return;
    }
    shown_ = false;
    Add();
}

void TrayIcon::SetIcon(HICON icon) {
    icon_ = icon;
    if (!shown_) return;
    NOTIFYICONDATAW data = Data();
    data.uFlags = NIF_ICON;
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

bool TrayIcon::RunMenu() {
    Menu menu(CreatePopupMenu());
    if (!menu) return false;
    AppendMenuW(menu.get(), MF_STRING, kRestoreCommand, L"Restore Nodrel");
    POINT at{};
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its owner is in front.
    SetForegroundWindow(owner_);
    const auto chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                       at.x, at.y, 0, owner_, nullptr);
    PostMessageW(owner_, WM_NULL, 0, 0);
    return static_cast<UINT_PTR>(chosen) == kRestoreCommand;
}

UINT TrayIcon::TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

}  // namespace nodrel::win
