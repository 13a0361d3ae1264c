// The desktop program's parts that need no visible window: the refresh timer's grid, the
// decoding of the tray icon's notifications, the box for an error that ends the loop.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "frontends/nodrel-win/tick_grid.h"
#include "frontends/nodrel-win/tray_icon.h"
#include "frontends/nodrel-win/win/window.h"

namespace nodrel::win {
namespace {

using std::chrono::milliseconds;

// The grid is fixed when the timer starts: a late tick keeps it, missed ticks are dropped,
// and an early wake-up is not a tick.
TEST(TickGrid, KeepsItsGridThroughLateAndMissedTicks) {
    TickGrid grid(milliseconds(500));
    const auto start = TickGrid::Clock::time_point{} + milliseconds(1000);
    grid.Start(start);
    EXPECT_FALSE(grid.TakeDue(start + milliseconds(499)));
    EXPECT_EQ(grid.Wait(start + milliseconds(499)), milliseconds(1));
    EXPECT_TRUE(grid.TakeDue(start + milliseconds(530)));  // 30 ms late
    EXPECT_EQ(grid.Wait(start + milliseconds(530)), milliseconds(470));
    EXPECT_TRUE(grid.TakeDue(start + milliseconds(1720)));  // the tick at 1500 is dropped
    EXPECT_FALSE(grid.TakeDue(start + milliseconds(1990)));
    EXPECT_TRUE(grid.TakeDue(start + milliseconds(2000)));
    grid.Stop();
    EXPECT_FALSE(grid.TakeDue(start + milliseconds(9000)));
}

TEST(TrayNotification, EachFormatGivesOneRestoreAndOneMenu) {
    const LPARAM iconId = MAKELPARAM(0, 1);
    struct Case {
        bool version4;
        LPARAM lParam;
        TrayRequest expected;
    } cases[] = {
        {true, iconId | WM_LBUTTONDBLCLK, TrayRequest::Restore},
        {true, iconId | WM_CONTEXTMENU, TrayRequest::ShowMenu},
        {true, iconId | WM_RBUTTONUP, TrayRequest::None},  // comes with WM_CONTEXTMENU
        {true, iconId | WM_LBUTTONUP, TrayRequest::None},
        {false, WM_LBUTTONDBLCLK, TrayRequest::Restore},
        {false, WM_RBUTTONUP, TrayRequest::ShowMenu},
        {false, iconId | WM_LBUTTONDBLCLK, TrayRequest::None},  // not the old format's
        {false, WM_MOUSEMOVE, TrayRequest::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeTrayNotification(c.version4, c.lParam), c.expected)
            << c.version4 << " " << c.lParam;
    }
}

// A window whose handler fails on WM_APP, and the boxes shown.
struct FailingWindow : Window {
    FailingWindow() { Create(L"NodrelFailingWindow", L"", 0, 0, 1, 1, HWND_MESSAGE); }
    std::optional<LRESULT> OnMessage(UINT message, WPARAM, LPARAM) override {
        if (message == WM_APP) throw std::runtime_error("the handler failed");
        return std::nullopt;
    }
};
std::vector<std::wstring> boxes;
int WINAPI RecordBox(HWND, LPCWSTR text, LPCWSTR title, UINT) {
    return boxes.push_back(std::wstring(title) + L": " + text), IDOK;
}

// The error that ends the message loop (with status 1) is shown before the program ends.
TEST(Window, AnErrorThatEndsTheLoopIsShown) {
    EXPECT_FALSE(Window::ShowLastError("Nodrel Program Error", RecordBox)) << "no error yet";
    FailingWindow window;
    PostMessageW(window.Handle(), WM_APP, 0, 0);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    EXPECT_EQ(message.wParam, static_cast<WPARAM>(kStatusProgramError));
    EXPECT_TRUE(Window::ShowLastError("Nodrel Program Error", RecordBox));
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"Nodrel Program Error: the handler failed\n"
                                               L"The program will now terminate."});
}

}  // namespace
}  // namespace nodrel::win
