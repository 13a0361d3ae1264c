// The window of a second copy: its text, on top, its logo, and OK or any other close ending
// the copy with status 1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_rig.h"
#include "frontends/nodrel/multi_inst.h"

namespace nodrel::testing::desktop {
namespace {

using ::testing::EndsWith;
using ::testing::Each;

TEST(MultiInst, SaysAnotherCopyRunsAndOkOrAnyCloseEndsThisOneWithStatusOne) {
    for (const bool byOk : {true, false}) {
        SCOPED_TRACE(byOk ? "OK, the browser starts" : "title bar, no browser");
        ScriptedLauncher launcher;
        launcher.works = byOk;
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
        EXPECT_EQ(boxes.seen.size(), byOk ? 0u : 1u);
        EXPECT_THAT(boxes.seen, Each(EndsWith("|Nodrel Error|Unable to launch Browser.")));
        QTimer::singleShot(50, &window, [&] {
            if (byOk) window.findChild<QPushButton*>("Exit")->click();
            else window.close();
        });
        EXPECT_EQ(window.Run(), 1);
        EXPECT_FALSE(window.isVisible());
    }
}

}  // namespace
}  // namespace nodrel::testing::desktop
