// The window of a second copy: what it says, that it stays on top, and that OK ends the copy.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_rig.h"
#include "frontends/nodrel/multi_inst.h"

namespace nodrel::testing::desktop {
namespace {

TEST(MultiInst, SaysAnotherCopyRunsAndOkEndsThisOneWithStatusOne) {
    ScriptedLauncher launcher;
    QtEffects effects;
    MultiInst window(launcher, effects);
    EXPECT_EQ(window.windowTitle(), "Nodrel Start Up Error");
    const QLabel* message = window.findChild<QLabel*>("ErrorMess");
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(TextOf(message),
              "Nodrel or Nodrel Lite is already\n"
              "running. Only one instance can be\n"
              " running at a time.");
    EXPECT_EQ(message->font().pointSizeF(), 9.75);
    EXPECT_EQ(Fore(message), QColor(Qt::black));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QPushButton* ok = window.findChild<QPushButton*>("Exit");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(ok->toolTip(), "Exit");
    EXPECT_NE(window.findChild<QLabel*>("Image1"), nullptr);

    bool shown = false;
    QTimer::singleShot(50, &window, [&] {
        shown = window.isVisible();
        window.findChild<QPushButton*>("Exit")->click();
    });
    EXPECT_EQ(window.Run(), 1);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(launcher.urls.empty());
}

TEST(MultiInst, AnyOtherCloseEndsTheCopyToo) {
    ScriptedLauncher launcher;
    QtEffects effects;
    MultiInst window(launcher, effects);
    QTimer::singleShot(50, &window, [&] { window.close(); });
    EXPECT_EQ(window.Run(), 1);
}

TEST(MultiInst, TheLogoOpensTheHomePageOrSaysWhyNot) {
    ScriptedLauncher launcher;
    QtEffects effects;
    MultiInst window(launcher, effects);
    Click(window.findChild<QLabel*>("Logo"));
    EXPECT_THAT(launcher.urls, ::testing::ElementsAre(HomePageAddress));
    launcher.works = false;
    BoxAnswerer boxes;
    Click(window.findChild<QLabel*>("Logo"));
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Nodrel Error");
    EXPECT_EQ(boxes.seen[0].text, "Unable to launch Browser.");
}

}  // namespace
}  // namespace nodrel::testing::desktop
