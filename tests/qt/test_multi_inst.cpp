// The window of a second copy: its text, on top, its logo, and a close by the title bar
// ending the copy with status 1 (OK's end is in tests/e2e/test_desktop.py).
#include "desktop_rig.h"
#include "frontends/nodrel/multi_inst.h"

namespace nodrel::qt {
namespace {

TEST(MultiInst, SaysAnotherCopyRunsAndAnyCloseEndsThisOneWithStatusOne) {
    ScriptedLauncher launcher;
    launcher.works = false;
    QtEffects effects;
    MultiInst window(launcher, effects);
    EXPECT_EQ(window.windowTitle(), "Nodrel Start Up Error");
    EXPECT_EQ(TextOf(window.findChild<QLabel*>("ErrorMess")),
              "Nodrel or Nodrel Lite is already\nrunning. Only one instance can be\n"
              " running at a time.");
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    BoxAnswerer boxes;
    Click(window.findChild<QLabel*>("Logo"));
    EXPECT_EQ(launcher.urls, std::vector<std::string>{HomePageAddress});
    EXPECT_THAT(boxes.seen, ElementsAre(EndsWith("|Nodrel Error|Unable to launch Browser.")));
    QTimer::singleShot(50, &window, [&] { window.close(); });
    EXPECT_EQ(window.Run(), 1);
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace nodrel::qt
