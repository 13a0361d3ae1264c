// The desktop program's parts that need no window: the refresh timer's grid and the
// decoding of the tray icon's notifications.
#include <gtest/gtest.h>

#include "frontends/nodrel-win/tick_grid.h"
#include "frontends/nodrel-win/tray_icon.h"

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

}  // namespace
}  // namespace nodrel::win
