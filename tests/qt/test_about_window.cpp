// The about window, opened from the main window's About button, and the window of a
// second copy.

#include "desktop_rig.h"
#include "frontends/nodrel/frm_about.h"
#include "frontends/nodrel/multi_inst.h"

namespace nodrel::qt {
namespace {

// The slave's name, RunOnTop, the address link (the home page the build was configured
// with; orange once clicked, its failure box) and the close button.
TEST(AboutWindow, AsASlaveItNamesTheSlaveAndItsAddressOpensTheHomePage) {
    Desk desk;
    desk.Start({{"CMain", "2"}, {"IPAdd", "127.0.0.1"}, {"RunOnTop", "2"}});
    desk.launcher.works = false;
    BoxAnswerer boxes;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
        ASSERT_TRUE(about);
        EXPECT_EQ(about->windowTitle(), "About Nodrel Slave");
        EXPECT_EQ(TextOf(about->findChild<QLabel*>("ProgName")), "Nodrel Slave");
        EXPECT_TRUE(about->windowFlags() & Qt::WindowStaysOnTopHint);
        QLabel* site = about->findChild<QLabel*>("WebSite");
        EXPECT_EQ(TextOf(site), CONFIGURED_HOMEPAGE);
        Click(site);
        EXPECT_EQ(Fore(site), kOrangeColour);
        about->findChild<QPushButton*>("ExitAbout")->click();
    });
    desk.Button("About")->click();
    EXPECT_EQ(desk.launcher.urls, std::vector<std::string>{CONFIGURED_HOMEPAGE});
    EXPECT_THAT(boxes.seen, ElementsAre(::testing::HasSubstr("|Nodrel Slave Error|")));
    EXPECT_FALSE(desk.program.State().DialogOpen) << "closed by its button: the cycle goes on";
    desk.effects.CloseDialogs();  // the window registered for the tick to close is gone
}

// The window of a second copy: its text, on top, its logo, and a close by the title bar
// ending the copy with status 1 (its title and OK's end: tests/e2e/test_desktop.py).
TEST(MultiInst, SaysAnotherCopyRunsAndAnyCloseEndsThisOneWithStatusOne) {
    ScriptedLauncher launcher;
    launcher.works = false;
    QtEffects effects;
    MultiInst window(launcher, effects);
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
}

}  // namespace
}  // namespace nodrel::qt
