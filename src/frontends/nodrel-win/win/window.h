#pragma once
// One object owns one top-level window. The window procedure finds the object through
// GWLP_USERDATA (stored at WM_NCCREATE) and hands every message to Handle(); no exception
// ever unwinds through the window system: it ends the message loop with status 1.
#include <windows.h>

#include <optional>
#include <string>

namespace nodrel::win {

// Exit status after an unexpected error inside a window procedure.
inline constexpr int kStatusProgramError = 1;

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return hwnd_; }
    // The window's dots per inch (96 = 100 %).
    UINT Dpi() const;
    // A length in 96-DPI pixels at this window's DPI.
    int Scale(int pixels) const;

    // Shows the error that ended the message loop, if one did, in a box titled `title`
    // (through `box`, which tests replace) and returns when it is answered; false, and no
    // box, when no error ended the loop.
    using BoxFunction = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
    static bool ShowLastError(const std::string& title, BoxFunction box = MessageBoxW);

protected:
    // Registers the class (named as the window, so tests find it) and creates the window
    // with a client area of the given size in 96-DPI pixels.
    void Create(const wchar_t* className, const std::wstring& caption, DWORD style, DWORD exStyle,
                int clientWidth, int clientHeight, HWND owner, HBRUSH background = nullptr);
    // Sets the client area's size at the current DPI, keeping the top-left corner.
    void SizeClient(int clientWidth, int clientHeight);

    // A result when the message was handled, nothing for the default treatment.
    virtual std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// Puts a window in the middle of the work area of its monitor.
void CentreOnScreen(HWND window);

// Puts a window above all others that are not (HWND_TOPMOST), or back among them.
void SetTopmost(HWND window, bool on);

}  // namespace nodrel::win
