// The about window, opened from the main window's About button: its texts, its countdown
// to the close the main window's tick carries out, and the cycle standing still meanwhile.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_rig.h"
#include "frontends/nodrel/frm_about.h"

namespace nodrel::testing::desktop {
namespace {

using ::testing::ElementsAre;

// What an open about window showed, sampled while it was open.
struct AboutSeen {
    std::string caption;
    std::string name;
    std::string version;
    std::string site;
    QColor siteColour;
    std::vector<std::string> messages;  // each new TMessage text
    bool onTop = false;
    std::vector<int> counts;            // the cycle's Count meanwhile
};

class AboutWindow : public ::testing::Test {
protected:
    Desk desk;

    static frmAbout* OpenAbout() { return qobject_cast<frmAbout*>(QApplication::activeModalWidget()); }
    static QLabel* Part(frmAbout* about, const char* name) { return about->findChild<QLabel*>(name); }

    // Clicks About and samples the window until it has gone; `during` runs once it is open.
    AboutSeen Watch(const std::function<void(frmAbout&)>& during = {}) {
        AboutSeen seen;
        bool ran = false;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, &sampler, [&] {
            frmAbout* about = OpenAbout();
            if (!about) return;
            seen.caption = about->windowTitle().toStdString();
            seen.name = TextOf(Part(about, "ProgName"));
            seen.version = TextOf(Part(about, "ProgVersion"));
            seen.site = TextOf(Part(about, "WebSite"));
            seen.siteColour = Fore(Part(about, "WebSite"));
            seen.onTop = about->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            const std::string message = TextOf(Part(about, "TMessage"));
            if (!message.empty() && (seen.messages.empty() || seen.messages.back() != message)) {
                seen.messages.push_back(message);
            }
            seen.counts.push_back(desk.program.Count);
            if (!ran && during) {
                ran = true;
                during(*about);
            }
        });
        sampler.start(20);
        desk.Button("About")->click();  // returns when the window has gone
        return seen;
    }
};

TEST_F(AboutWindow, ShowsTheTitleVersionAndAddressAndCountsDownFromThirty) {
    desk.Start({{"StartDelay", "20"}});
    desk.RealTicks(true);
    const AboutSeen seen = Watch([&](frmAbout& about) {
        EXPECT_TRUE(desk.program.DialogOpen);
        EXPECT_EQ(about.findChild<QPushButton*>("ExitAbout")->text(), "Close");
        EXPECT_EQ(about.findChild<QPushButton*>("ExitAbout")->toolTip(), "Close About Screen");
        EXPECT_EQ(Fore(Part(&about, "ProgVersion")), WhiteColour);
        EXPECT_EQ(Fore(Part(&about, "TMessage")), OrangeColour);
        EXPECT_TRUE(Part(&about, "TMessage")->font().bold());
        EXPECT_TRUE(Part(&about, "WebSite")->font().underline());
        EXPECT_EQ(Part(&about, "ProgName")->font().pointSizeF(), 15.75);
        EXPECT_TRUE(about.isModal());
        // Closed by its button once the second countdown text has shown.
        auto* closer = new QTimer(&about);
        QObject::connect(closer, &QTimer::timeout, &about, [&about, closer] {
            if (TextOf(Part(&about, "TMessage")) == "About will close in 29 sec") {
                closer->stop();
                QTimer::singleShot(100, &about, [&about] {
                    about.findChild<QPushButton*>("ExitAbout")->click();
                });
            }
        });
        closer->start(20);
    });
    EXPECT_EQ(seen.caption, "About Nodrel");
    EXPECT_EQ(seen.name, "Nodrel");
    EXPECT_EQ(seen.version, "Version 5.5");
    EXPECT_EQ(seen.site, HomePageAddress);
    EXPECT_EQ(seen.siteColour, QColor(0, 102, 0));
    EXPECT_FALSE(seen.onTop) << "RunOnTop 1";
    EXPECT_THAT(seen.messages, ElementsAre("About will close in 30 sec", "About will close in 29 sec"));
    // Close lets the cycle go on where it stood.
    EXPECT_FALSE(desk.program.DialogOpen);
    EXPECT_EQ(desk.program.Count, 20);
    desk.Seconds(1);
    EXPECT_EQ(desk.program.Count, 19);
}

TEST_F(AboutWindow, WithInhibitShutdownTheTickClosesItAfterFourSecondsAndTheCyclePauses) {
    desk.Start({{"StartDelay", "20"}}, "-InhibitShutdown");
    desk.RealTicks(true);
    QElapsedTimer open;
    open.start();
    const AboutSeen seen = Watch();
    const qint64 lasted = open.elapsed();
    EXPECT_THAT(seen.messages, ElementsAre("About will close in 4 sec", "About will close in 3 sec",
                                           "About will close in 2 sec", "About will close in 1 sec"));
    // Four seconds of text, then the next work tick of the main window (Qt's one-second
    // timers may fire a few milliseconds early).
    EXPECT_GE(lasted, 3800);
    EXPECT_LE(lasted, 7000);
    ASSERT_FALSE(seen.counts.empty());
    for (const int count : seen.counts) EXPECT_EQ(count, 20) << "no activation second while open";
    EXPECT_FALSE(desk.program.DialogOpen);
    EXPECT_EQ(TextOf(desk.Label("Counter")), "Program Activation In 20s");
    RunFor(1100);  // the real timer's ticks count again
    EXPECT_LT(desk.program.Count, 20);
}

TEST_F(AboutWindow, InTheSlaveRoleAFailedLaunchIsTitledWithTheSlavesName) {
    desk.Start({{"CMain", "2"}, {"IPAdd", "127.0.0.1"}, {"RunOnTop", "2"}});
    desk.launcher.works = false;
    BoxAnswerer boxes;
    QColor colourDuringBox;
    boxes.whileOpen = [&](QMessageBox&) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* about = qobject_cast<frmAbout*>(top)) colourDuringBox = Fore(Part(about, "WebSite"));
        }
    };
    const AboutSeen seen = Watch([&](frmAbout& about) {
        Click(Part(&about, "WebSite"));
        about.close();  // the title bar's close button
    });
    EXPECT_EQ(seen.caption, "About Nodrel Slave");
    EXPECT_EQ(seen.name, "Nodrel Slave");
    EXPECT_TRUE(seen.onTop) << "RunOnTop 2";
    EXPECT_THAT(desk.launcher.urls, ElementsAre(HomePageAddress));
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Nodrel Slave Error");
    EXPECT_EQ(boxes.seen[0].text, "Unable to launch Browser.");
    EXPECT_EQ(colourDuringBox, OrangeColour) << "the address turns orange once clicked";
    EXPECT_FALSE(desk.program.DialogOpen) << "any close lets the cycle go on";
}

TEST_F(AboutWindow, EscapeClosesItAndTheCycleGoesOn) {
    desk.Start({{"StartDelay", "20"}});
    Watch([](frmAbout& about) { about.reject(); });
    EXPECT_FALSE(desk.program.DialogOpen);
    desk.Seconds(1);
    EXPECT_EQ(desk.program.Count, 19);
}

}  // namespace
}  // namespace nodrel::testing::desktop
