#pragma once
// The main window's icon in the notification area, tip "Nodrel". Remembers whether it is
// wanted, so it comes back when the task bar restarts (TaskbarCreated). Its notifications
// arrive at the owner as `callbackMessage`, in either of the shell's two formats.
#include <windows.h>
#include <shellapi.h>

namespace nodrel::win {

// What a notification of the icon asks for.
enum class TrayRequest { None, Restore, ShowMenu };

// Decodes a notification: version 4 carries the event in the low word of lParam, the
// older format the whole lParam.
TrayRequest DecodeTrayNotification(bool version4, LPARAM lParam);

class TrayIcon {
public:
    TrayIcon(HWND owner, UINT callbackMessage, HICON icon);
    ~TrayIcon() { Remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // False when no notification area took the icon.
    bool Add();
    void Remove();
    bool Shown() const { return shown_; }
    // The task bar came back: shows the icon again when it is wanted.
    void Recreate();
    // Another picture (the owner's DPI changed); the caller keeps it alive.
    void SetIcon(HICON icon);

    TrayRequest Decode(LPARAM lParam) const { return DecodeTrayNotification(version4_, lParam); }
    // The icon's menu with "Restore Nodrel"; true when the entry was chosen.
    bool RunMenu();

    // The message the shell broadcasts when the task bar starts.
    static UINT TaskbarCreatedMessage();

private:
    NOTIFYICONDATAW Data() const;
    HWND owner_;
    UINT message_;
    HICON icon_;
    bool wanted_ = false;
    bool shown_ = false;
    bool version4_ = false;
};

}  // namespace nodrel::win
