#include "frontends/nodrel-win/win/modal.h"

namespace nodrel::win {

void ModalWindow::RunModal(HWND blocked) {
    if (blocked) EnableWindow(blocked, FALSE);
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    MSG message{};
    while (!closed_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!IsDialogMessageW(Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The blocked window comes back before this one goes, so it takes the activation.
    if (blocked) EnableWindow(blocked, TRUE);
    ShowWindow(Handle(), SW_HIDE);
}

void ModalWindow::Close() {
    if (closed_) return;
    closed_ = true;
    OnClosed();
    PostMessageW(Handle(), WM_NULL, 0, 0);  // wakes the loop
}

std::optional<LRESULT> ModalWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
        Close();
        return 0;
    }
    return OnModalMessage(message, wParam, lParam);
}

}  // namespace nodrel::win
