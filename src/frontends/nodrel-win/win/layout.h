#pragma once
// A window's controls from a constant table: one row per control with its identifier,
// kind, text and place in 96-DPI pixels. Positions and fonts follow the window's DPI.
#include <windows.h>

#include <map>
#include <span>
#include <string>
#include <vector>

#include "frontends/nodrel-win/win/handle.h"

namespace nodrel::win {

enum class Kind { Label, Button, DefaultButton, Picture, Edit, Check, DropList, Tooltip };

// Fonts are Arial at a point size; a window lists the ones its rows use.
struct FontStyle {
    double points = 9;
    bool bold = false;
    bool underline = false;
};

struct ControlRow {
    int id;
    Kind kind;
    const wchar_t* text;
    int x, y, width, height;
    int font = 0;  // index into the window's font list
    DWORD style = 0;
};

class Controls {
public:
    // Creates the rows' controls inside `parent`, placed and with their fonts.
    Controls(HWND parent, std::span<const ControlRow> rows, std::span<const FontStyle> fonts,
             UINT dpi);

    HWND operator[](int id) const;
    // Places every control and sets its font for a DPI (at creation and when it changes).
    void Layout(UINT dpi);
    // Draws a control with the bold variant of its font, or the plain one again.
    void SetBold(int id, bool bold);

    // The button tool tips: one tool tip control for the window.
    void SetTip(int id, const std::string& text);

private:
    HFONT FontFor(int id, bool bold) const;
    HWND parent_;
    std::vector<ControlRow> rows_;
    std::vector<FontStyle> styles_;
    std::map<int, HWND> windows_;
    std::map<int, bool> bold_;
    std::vector<Font> fonts_;      // the styles at the current DPI
    std::vector<Font> boldFonts_;  // the same, bold
    HWND tips_ = nullptr;
    std::map<int, std::wstring> tipTexts_;
};

// The program's icon resource `id`, `side` pixels square.
Icon LoadIconSized(int id, int side);
// The side of the system's small icon (caption, tray) or, when `big`, of its normal icon, at
// a DPI.
int SystemIconSide(bool big, UINT dpi);

// WM_DPICHANGED: the controls laid out for the new DPI, the window in the place the system
// suggests.
void FollowDpiChange(HWND window, Controls& controls, WPARAM wParam, LPARAM lParam);

// Brushes for label backgrounds, one per colour, made on first use.
class BrushCache {
public:
    HBRUSH For(COLORREF colour);
    void Clear() { brushes_.clear(); }

private:
    std::map<COLORREF, Brush> brushes_;
};

}  // namespace nodrel::win
