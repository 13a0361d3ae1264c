// nodrel-probe.exe: reads and drives nodrel.exe's windows for the end-to-end tests, from
// another process in the same Wine prefix. Prints JSON on stdout.
//   read CLASS                 the window's caption, state and controls
//   click CLASS IDC_NAME       a click on a button or picture, as the user's
//   set CLASS IDC_NAME TEXT    the text of an edit field, as typed
//   tray                       a double click on the program's tray icon
//   endsession CLASS           the session's end (log-off) told to the window, as Windows does
//   dpi CLASS DPI              the window moved from a 96-DPI screen to one of DPI
// Several commands run one after another in one call, so a short-lived window can be
// driven in time. Exit status 0, 1 for a wrong command line, 2 when a window or control
// is not there, or 3 when the window would keep the session from ending.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontends/nodrel-win/control_ids.h"
#include "frontends/nodrel-win/win/text.h"

namespace {

using nodrel::win::Narrow;
using nodrel::win::Wide;

constexpr int kMissing = 2;
constexpr int kRefused = 3;

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// The text as the window itself answers WM_GETTEXT (edits and labels alike).
std::string TextOf(HWND window) {
    const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return Narrow(text);
}

const char* NameOf(int id) {
    for (const auto& control : nodrel::win::kControlNames) {
        if (control.id == id) return control.name;
    }
    return nullptr;
}

const char* Bool(bool value) {
    return value ? "true" : "false";
}

// Left, top, width and height in the parent's client area.
std::string Place(HWND control, HWND parent) {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    return "[" + std::to_string(place.left) + ", " + std::to_string(place.top) + ", " +
           std::to_string(place.right - place.left) + ", " +
           std::to_string(place.bottom - place.top) + "]";
}

int Read(const char* className) {
    const HWND window = FindWindowW(Wide(className).c_str(), nullptr);
    if (!window) return kMissing;
    const auto exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    std::string out = "{\"caption\": " + Json(TextOf(window)) +
                      ", \"visible\": " + Bool(IsWindowVisible(window)) +
                      ", \"enabled\": " + Bool(IsWindowEnabled(window)) +
                      ", \"minimised\": " + Bool(IsIconic(window)) +
                      ", \"topmost\": " + Bool((exStyle & WS_EX_TOPMOST) != 0) +
                      ", \"controls\": {";
    bool first = true;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const char* name = NameOf(GetDlgCtrlID(child));
        if (!name) continue;
        out += std::string(first ? "" : ", ") + "\"" + name +
               "\": {\"text\": " + Json(TextOf(child)) +
               ", \"enabled\": " + Bool(IsWindowEnabled(child)) +
               ", \"place\": " + Place(child, window) + "}";
        first = false;
    }
    std::printf("%s}}\n", out.c_str());
    return 0;
}

int Click(const char* className, const char* control) {
    const HWND window = FindWindowW(Wide(className).c_str(), nullptr);
    const int id = nodrel::win::IdNamed(control);
    const HWND child = window ? GetDlgItem(window, id) : nullptr;
    if (!child) return kMissing;
    // Posted: the click may open a modal window, which would hold up a sent message.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(child));
    return 0;
}

// Types TEXT into an edit field, as the user's typing leaves it.
int Set(const char* className, const char* control, const char* text) {
    const HWND window = FindWindowW(Wide(className).c_str(), nullptr);
    const HWND child = window ? GetDlgItem(window, nodrel::win::IdNamed(control)) : nullptr;
    if (!child) return kMissing;
    SendMessageW(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    return 0;
}

// Wine's task bar draws the notification icons at its right end, the first one rightmost,
// and passes a click on one to its program in the format the program asked for.
int Tray() {
    const HWND bar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!bar || !IsWindowVisible(bar)) return kMissing;
    RECT client{};
    GetClientRect(bar, &client);
    const LPARAM at =
        MAKELPARAM(client.right - GetSystemMetrics(SM_CXSMICON) / 2 - 2, client.bottom / 2);
    PostMessageW(bar, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(bar, WM_LBUTTONUP, 0, at);
    return 0;
}

// The query every top-level window answers first, then the end itself.
int EndSession(const char* className) {
    const HWND window = FindWindowW(Wide(className).c_str(), nullptr);
    if (!window) return kMissing;
    if (!SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)) return kRefused;
    PostMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    return 0;
}

// WM_DPICHANGED as Windows sends it: the new DPI, and the suggested window rectangle (here
// the window's own, scaled from 96 DPI), which must lie in the window's own process.
int ChangeDpi(const char* className, const char* dpiText) {
    const HWND window = FindWindowW(Wide(className).c_str(), nullptr);
    const int dpi = std::atoi(dpiText);
    if (!window || dpi <= 0) return kMissing;
    RECT suggested{};
    GetWindowRect(window, &suggested);
    suggested.right = suggested.left + MulDiv(suggested.right - suggested.left, dpi, 96);
    suggested.bottom = suggested.top + MulDiv(suggested.bottom - suggested.top, dpi, 96);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return kMissing;
    void* remote = VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    const bool written =
        remote && WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr);
    if (written) {
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote));
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return written ? 0 : kMissing;
}

struct Command {
    const char* name;
    int arguments;
    int (*run)(char** arguments);
};

constexpr Command kCommands[] = {
    {"read", 1, [](char** a) { return Read(a[0]); }},
    {"click", 2, [](char** a) { return Click(a[0], a[1]); }},
    {"set", 3, [](char** a) { return Set(a[0], a[1], a[2]); }},
    {"tray", 0, [](char**) { return Tray(); }},
    {"endsession", 1, [](char** a) { return EndSession(a[0]); }},
    {"dpi", 2, [](char** a) { return ChangeDpi(a[0], a[1]); }},
};

}  // namespace

// Commands given one after another run in this order, at once, until one fails.
int main(int argc, char** argv) {
    int status = argc > 1 ? 0 : 1;
    for (int at = 1; at < argc && status == 0;) {
        const Command* command = nullptr;
        for (const Command& known : kCommands) {
            if (std::strcmp(known.name, argv[at]) == 0) command = &known;
        }
        if (!command || at + command->arguments >= argc) {
            status = 1;
            break;
        }
        status = command->run(argv + at + 1);
        at += 1 + command->arguments;
    }
    if (status == 1) {
        std::fputs(
            "usage: nodrel-probe COMMAND...: read CLASS | click CLASS IDC_NAME | "
            "set CLASS IDC_NAME TEXT | tray | endsession CLASS | dpi CLASS DPI\n",
            stderr);
    }
    return status;
}
