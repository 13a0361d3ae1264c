// The about window, opened from the main window's About button: its texts, its countdown
// to the close the main window's tick carries out, and the cycle standing still meanwhile.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "desktop_rig.h"
#include "frontends/nodrel/frm_about.h"

namespace nodrel::testing::desktop {
namespace {

frmAbout* OpenAbout() { return qobject_cast<frmAbout*>(QApplication::activeModalWidget()); }
QLabel* Part(frmAbout& about, const char* name) { return about.findChild<QLabel*>(name); }

TEST(AboutWindow, WithInhibitShutdownTheTickClosesItAfterFourSecondsAndTheCyclePauses) {
    Desk desk;
    desk.Start({{"StartDelay", "20"}}, "-InhibitShutdown");
    std::vector<std::string> texts;  // each new countdown text
    std::set<int> counts;            // the cycle's Count meanwhile
    // The real timer's ticks, each after a look at the window (the last tick closes it).
    desk.effects.onTick = [&] {
        if (frmAbout* about = OpenAbout()) {
            const std::string text = TextOf(Part(*about, "TMessage"));
            if (!text.empty() && (texts.empty() || texts.back() != text)) texts.push_back(text);
            counts.insert(desk.program.Count);
        }
        desk.window.Tick();
    };
    desk.Button("About")->click();  // returns when the window has gone
    EXPECT_THAT(texts, ::testing::ElementsAre(
                           "About will close in 4 sec", "About will close in 3 sec",
                           "About will close in 2 sec", "About will close in 1 sec"));
    EXPECT_EQ(counts, std::set<int>{20}) << "no activation second while open";
    EXPECT_FALSE(desk.program.DialogOpen);
    EXPECT_TRUE(RunUntil([&] { return desk.program.Count < 20; })) << "the ticks count again";
}

TEST(AboutWindow, AsASlaveItNamesTheSlaveAndItsAddressOpensTheHomePage) {
    Desk desk;
    desk.Start({{"CMain", "2"}, {"IPAdd", "127.0.0.1"}, {"RunOnTop", "2"}});
    desk.launcher.works = false;
    BoxAnswerer boxes;
    bool seen = false;
    QTimer::singleShot(50, [&] {
        frmAbout* about = OpenAbout();
        seen = about != nullptr;
        ASSERT_TRUE(seen);
        EXPECT_EQ(about->windowTitle(), "About Nodrel Slave");
        EXPECT_EQ(TextOf(Part(*about, "ProgName")), "Nodrel Slave");
        EXPECT_TRUE(about->windowFlags() & Qt::WindowStaysOnTopHint) << "RunOnTop 2";
        Click(Part(*about, "WebSite"));
        EXPECT_EQ(Fore(Part(*about, "WebSite")), OrangeColour) << "orange once clicked";
        about->findChild<QPushButton*>("ExitAbout")->click();
    });
    desk.Button("About")->click();
    ASSERT_TRUE(seen);
    EXPECT_EQ(desk.launcher.urls, std::vector<std::string>{HomePageAddress});
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Nodrel Slave Error");
    EXPECT_FALSE(desk.program.DialogOpen) << "closed by its button: the cycle goes on";
    desk.effects.CloseDialogs();  // the window registered for the tick to close is gone
}

}  // namespace
}  // namespace nodrel::testing::desktop
