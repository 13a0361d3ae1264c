#include "frontends/nodrel-win/win/layout.h"

#include <commctrl.h>

#include <cmath>

#include "frontends/nodrel-win/win/text.h"

namespace nodrel::win {

namespace {

struct ClassAndStyle {
    const wchar_t* className;
    DWORD style;
};

ClassAndStyle Describe(Kind kind) {
    switch (kind) {
        case Kind::Label:
            return {L"STATIC", SS_NOPREFIX};
        case Kind::Button:
            return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
        case Kind::DefaultButton:
            return {L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP};
        case Kind::Picture:
            return {L"STATIC", SS_ICON | SS_NOTIFY | SS_CENTERIMAGE};
        case Kind::Edit:
            return {L"EDIT", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL};
        case Kind::Check:
            return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP};
        case Kind::DropList:
            return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL};
        case Kind::Tooltip:
            break;
    }
    return {L"STATIC", 0};
}

Font MakeFont(const FontStyle& style, bool bold, UINT dpi) {
    const int height = -static_cast<int>(std::lround(style.points * dpi / 72.0));
    return Font(CreateFontW(height, 0, 0, 0, bold || style.bold ? FW_BOLD : FW_NORMAL, FALSE,
                            style.underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Arial"));
}

int ScaleBy(int pixels, UINT dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

}  // namespace

Controls::Controls(HWND parent, std::span<const ControlRow> rows, std::span<const FontStyle> fonts,
                   UINT dpi)
    : parent_(parent), rows_(rows.begin(), rows.end()), styles_(fonts.begin(), fonts.end()) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const ControlRow& row : rows_) {
        const auto [className, style] = Describe(row.kind);
        const HWND control = CreateWindowExW(
            0, className, row.text, WS_CHILD | WS_VISIBLE | style | row.style, 0, 0, 0, 0, parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance, nullptr);
        windows_[row.id] = control;
    }
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, instance, nullptr);
    Layout(dpi);
}

HWND Controls::operator[](int id) const {
    const auto found = windows_.find(id);
    return found == windows_.end() ? nullptr : found->second;
}

HFONT Controls::FontFor(int id, bool bold) const {
    for (const ControlRow& row : rows_) {
        if (row.id != id) continue;
        const auto index = static_cast<std::size_t>(row.font);
        return (bold ? boldFonts_ : fonts_)[index].get();
    }
    return nullptr;
}

void Controls::Layout(UINT dpi) {
    std::vector<Font> fonts, boldFonts;
    for (const FontStyle& style : styles_) {
        fonts.push_back(MakeFont(style, false, dpi));
        boldFonts.push_back(MakeFont(style, true, dpi));
    }
    // The controls take the new fonts before the old ones go.
    std::swap(fonts, fonts_);
    std::swap(boldFonts, boldFonts_);
    for (const ControlRow& row : rows_) {
        const HWND control = windows_[row.id];
        const int height = row.kind == Kind::DropList ? row.height * 8 : row.height;
        SetWindowPos(control, nullptr, ScaleBy(row.x, dpi), ScaleBy(row.y, dpi),
                     ScaleBy(row.width, dpi), ScaleBy(height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(row.id, bold_[row.id])),
                     TRUE);
    }
}

void Controls::SetBold(int id, bool bold) {
    if (bold_[id] == bold) return;
    bold_[id] = bold;
    SendMessageW((*this)[id], WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(id, bold)), TRUE);
}

void Controls::SetTip(int id, const std::string& text) {
    const HWND control = (*this)[id];
    if (!tips_ || !control) return;
    const bool known = tipTexts_.contains(id);
    std::wstring& stored = tipTexts_[id];
    stored = Wide(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = stored.data();
    SendMessageW(tips_, known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
                 reinterpret_cast<LPARAM>(&tool));
}

Icon LoadIconSized(int id, int side) {
    return Icon(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, side, side, 0)));
}

int SystemIconSide(bool big, UINT dpi) {
    const int metric = big ? SM_CXICON : SM_CXSMICON;
    // GetSystemMetricsForDpi exists from Windows 10 1607; before it, the metric at the
    // system's DPI, scaled.
    using MetricsForDpi = int(WINAPI*)(int, UINT);
    static const auto forDpi = reinterpret_cast<MetricsForDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
    if (forDpi) return forDpi(metric, dpi);
    const HDC screen = GetDC(nullptr);
    const int systemDpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return MulDiv(GetSystemMetrics(metric), static_cast<int>(dpi),
                  systemDpi > 0 ? systemDpi : USER_DEFAULT_SCREEN_DPI);
}

void FollowDpiChange(HWND window, Controls& controls, WPARAM wParam, LPARAM lParam) {
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    controls.Layout(HIWORD(wParam));
    SetWindowPos(window, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

HBRUSH BrushCache::For(COLORREF colour) {
    Brush& brush = brushes_[colour];
    if (!brush) brush.reset(CreateSolidBrush(colour));
    return brush.get();
}

}  // namespace nodrel::win
