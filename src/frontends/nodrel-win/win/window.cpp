#include "frontends/nodrel-win/win/window.h"

#include <exception>
#include <stdexcept>

#include "frontends/nodrel-win/win/text.h"

namespace nodrel::win {

namespace {
std::string lastError;

UINT DpiOf(HWND window) {
    // GetDpiForWindow exists from Windows 10 1607; the screen's DPI before that.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (forWindow && window) {
        if (const UINT dpi = forWindow(window)) return dpi;
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}
}  // namespace

Window::~Window() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool Window::ShowLastError(const std::string& title, BoxFunction box) {
    if (lastError.empty()) return false;
    const std::string text = lastError + "\nThe program will now terminate.";
    box(nullptr, Wide(text).c_str(), Wide(title).c_str(),
        MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
    return true;
}

UINT Window::Dpi() const {
    return DpiOf(hwnd_);
}

int Window::Scale(int pixels) const {
    return MulDiv(pixels, static_cast<int>(Dpi()), USER_DEFAULT_SCREEN_DPI);
}

void Window::Create(const wchar_t* className, const std::wstring& caption, DWORD style,
                    DWORD exStyle, int clientWidth, int clientHeight, HWND owner,
                    HBRUSH background) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Window::Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground =
        background ? background : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);  // fails harmlessly once it is registered
    CreateWindowExW(exStyle, className, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                    clientWidth, clientHeight, owner, nullptr, instance, this);
    if (!hwnd_) throw std::runtime_error("cannot create the window");
    SizeClient(clientWidth, clientHeight);
}

void Window::SizeClient(int clientWidth, int clientHeight) {
    RECT frame{0, 0, Scale(clientWidth), Scale(clientHeight)};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return result;
    }
    try {
        if (const auto handled = self->OnMessage(message, wParam, lParam)) return *handled;
    } catch (const std::exception& error) {
        lastError = error.what();
        PostQuitMessage(kStatusProgramError);
        return 0;
    } catch (...) {
        lastError = "unknown error";
        PostQuitMessage(kStatusProgramError);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void CentreOnScreen(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    RECT frame{};
    GetWindowRect(window, &frame);
    const RECT& area = monitor.rcWork;
    const int left = (area.left + area.right - (frame.right - frame.left)) / 2;
    const int top = (area.top + area.bottom - (frame.bottom - frame.top)) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetTopmost(HWND window, bool on) {
    SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace nodrel::win
