// The main window on the offscreen platform: what its lines and buttons show in each state
// of the program, its tray behaviour, its z-order and its ways to end the program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QScreen>
#include <map>

#include "desktop_rig.h"

namespace nodrel::testing::desktop {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

struct Expected {
    std::string text;
    QColor fore;
    QColor back;
    bool bold;
};

void ExpectLine(const QLabel* label, const Expected& expected) {
    SCOPED_TRACE(label->objectName().toStdString());
    EXPECT_EQ(TextOf(label), expected.text);
    EXPECT_EQ(Fore(label), expected.fore);
    EXPECT_EQ(Back(label), expected.back);
    EXPECT_EQ(label->font().bold(), expected.bold);
    EXPECT_EQ(label->font().family(), "Arial");
    EXPECT_TRUE(label->autoFillBackground()) << "the back colour must show";
}

class MainWindow : public ::testing::Test {
protected:
    Desk desk;

    Expected AtRest(const std::string& text) const {
        return {text, Rest(QPalette::ButtonText), Rest(QPalette::Button), false};
    }
    void ExpectButtons(const std::vector<std::string>& captions, const std::vector<bool>& enabled) {
        const char* names[] = {"Exit", "About", "Config", "TestS", "Reset"};
        for (std::size_t i = 0; i < 5; ++i) {
            SCOPED_TRACE(names[i]);
            const QPushButton* button = desk.Button(names[i]);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text().toStdString(), captions[i]);
            EXPECT_EQ(button->isEnabled(), enabled[i]);
        }
    }
    bool OnTop() const { return desk.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
};

TEST_F(MainWindow, AfterStartTheActivationCountsDownAtRest) {
    desk.Start({{"StartDelay", "3"}, {"CPULevel", "20"}, {"CPUDelay", "5"}});
    EXPECT_TRUE(desk.window.isVisible());
    EXPECT_FALSE(desk.window.isMinimized());
    EXPECT_EQ(desk.window.windowTitle(), "Nodrel");
    ExpectLine(desk.Label("Title"),
               AtRest("Power Off the computer if CPU load is below 20% for over 5 sec"));
    ExpectLine(desk.Label("Counter"), AtRest("Program Activation In 3s"));
    ExpectLine(desk.Label("CPULoad"), AtRest(""));
    ExpectButtons({"Exit", "About", "Configure", "Test", "Reset"}, {true, true, true, true, true});
    EXPECT_EQ(desk.Button("Exit")->toolTip(), "Close Nodrel");
    EXPECT_EQ(desk.Button("About")->toolTip(), "About Nodrel");
    EXPECT_EQ(desk.Button("Config")->toolTip(), "Configure Nodrel");
    EXPECT_EQ(desk.Button("TestS")->toolTip(), "Enables/Restarts Nodrel Test Mode");
    EXPECT_EQ(desk.Button("Reset")->toolTip(), "Reset Nodrel");
    EXPECT_NE(desk.window.findChild<QLabel*>("Logo"), nullptr);
    EXPECT_FALSE(OnTop());
    EXPECT_TRUE(desk.effects.RefreshTimer().isActive());

    desk.Seconds(1);
    EXPECT_EQ(TextOf(desk.Label("Counter")), "Program Activation In 2s");
}

TEST_F(MainWindow, PhaseRunShowsTheConditionInOrangeBoldAndTheLoadAtRest) {
    desk.Start({{"StartDelay", "1"}, {"CPULevel", "20"}, {"AvTime", "1"}});
    desk.counters.loads = {0, 10, 10, 10};
    desk.Seconds(4);
    ASSERT_EQ(desk.program.Phase, PhaseRun);
    ExpectLine(desk.Label("Counter"),
               {"CPU less than 20% for the last 3s", OrangeColour, Rest(QPalette::Button), true});
    ExpectLine(desk.Label("CPULoad"), AtRest("CPU Load:  10%"));
    ExpectLine(desk.Label("Title"),
               AtRest("Power Off the computer if CPU load is below 20% for over 5 sec"));

    desk.counters.loads = {-1};  // a failed reading
    desk.Seconds(1);
    EXPECT_EQ(TextOf(desk.Label("CPULoad")), "Error");
}

TEST_F(MainWindow, ASlaveShowsTheLinkInGreenAndItsSilenceInOrange) {
    desk.Start({{"CMain", "2"}, {"IPAdd", "127.0.0.1"}, {"StartDelay", "1"}});
    EXPECT_EQ(desk.window.windowTitle(), "Nodrel Slave");
    desk.Seconds(1);
    desk.program.udpServ_DataArrival("<COA100>");
    desk.Seconds(1);
    desk.window.RunEvent([] {});
    ExpectLine(desk.Label("Counter"), {"Connected", GreenColour, Rest(QPalette::Button), true});
    ExpectLine(desk.Label("CPULoad"), AtRest(""));
    desk.Seconds(2);
    ExpectLine(desk.Label("Counter"),
               {"Not connected for the last 2s", OrangeColour, Rest(QPalette::Button), true});
    desk.window.RunEvent([this] { desk.program.udpServ_DataArrival("junk"); });
    EXPECT_EQ(TextOf(desk.Label("Counter")), "Connection Error");
}

TEST_F(MainWindow, CountdownIsWhiteOnOrangeOnTopWithOnlyCancelAndResetRestoresTheRest) {
    desk.Start({{"StartDelay", "1"}, {"CPUDelay", "5"}, {"ShutTime", "10"}, {"RunOnTop", "1"}});
    desk.Seconds(6);
    ASSERT_EQ(desk.program.Phase, PhaseCountdown);
    ExpectLine(desk.Label("Counter"),
               {"The Computer Will Power Off In 10s", WhiteColour, OrangeColour, true});
    ExpectLine(desk.Label("CPULoad"), {"", WhiteColour, OrangeColour, false});
    ExpectButtons({"Exit", "About", "Configure", "Test", "Cancel"},
                  {false, false, false, false, true});
    EXPECT_EQ(desk.Button("Reset")->toolTip(), "Cancel Nodrel Power Off");
    EXPECT_TRUE(OnTop()) << "always on top during a countdown";
    desk.Seconds(1);
    EXPECT_EQ(TextOf(desk.Label("Counter")), "The Computer Will Power Off In 9s");

    desk.Button("Reset")->click();
    EXPECT_EQ(desk.program.Phase, PhaseInitialise);
    ExpectLine(desk.Label("Counter"), AtRest("Program Activation In 1s"));
    ExpectLine(desk.Label("CPULoad"), AtRest(""));
    ExpectButtons({"Exit", "About", "Configure", "Test", "Reset"}, {true, true, true, true, true});
    EXPECT_FALSE(OnTop()) << "RunOnTop 1: no longer on top after a cancelled countdown";
    EXPECT_THAT(desk.power.calls, IsEmpty());
}

TEST_F(MainWindow, UnconfiguredAsksForTheConfigurationInOrangeBold) {
    // A master that would only close itself needs the slave's address: it cannot run.
    desk.Start({{"CMain", "1"}, {"ShutType", "4"}, {"DName", "1"}, {"IPAdd", ""}});
    ASSERT_TRUE(desk.program.Unconfigured);
    ExpectLine(desk.Label("Title"),
               {"Click Configure To Set Up Nodrel", OrangeColour, Rest(QPalette::Button), true});
    ExpectLine(desk.Label("Counter"), AtRest(""));
    ExpectButtons({"Exit", "About", "Configure", "Test", "Reset"}, {true, true, true, false, false});
    desk.Seconds(3);
    EXPECT_EQ(TextOf(desk.Label("Counter")), "") << "the cycle does not run";
}

TEST_F(MainWindow, TestModeShowsInTheCaptionAndEndsInABoxThatHoldsTheCycle) {
    desk.Start({{"StartDelay", "4"}, {"ShutType", "2"}});
    desk.Button("TestS")->click();
    EXPECT_EQ(desk.window.windowTitle(), "Nodrel - Test Mode");
    EXPECT_EQ(TextOf(desk.Label("Title")), "Reboot the computer if CPU load is below 20% for over 5 sec");
    EXPECT_EQ(TextOf(desk.Label("Counter")), "Program Activation In 2s");

    // The box comes from inside a tick; the real 500 ms timer keeps firing while it is open.
    desk.RealTicks(true);
    BoxAnswerer boxes(QMessageBox::Ok, 1600);
    std::vector<std::pair<int, int>> whileOpen;  // phase and count, sampled during the box
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &sampler, [&] {
        if (desk.effects.InMessageBox()) whileOpen.emplace_back(desk.program.Phase, desk.program.Count);
    });
    sampler.start(100);
    for (int tick = 0; tick < 40 && boxes.seen.empty(); ++tick) desk.window.Tick();
    sampler.stop();

    ASSERT_EQ(boxes.seen.size(), 1u) << "one box, however many ticks came while it was open";
    EXPECT_EQ(boxes.seen[0].title, "Nodrel Test");
    EXPECT_EQ(boxes.seen[0].text, "Test Reboot");
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(boxes.seen[0].buttons, QMessageBox::Ok);
    ASSERT_GE(whileOpen.size(), 10u);
    for (const auto& sample : whileOpen) {
        EXPECT_EQ(sample, whileOpen.front()) << "the cycle stood still while the box was open";
    }
    EXPECT_EQ(whileOpen.front().first, PhaseCountdown);
    // After the box the cycle starts again from the activation delay, out of test mode.
    EXPECT_EQ(desk.program.Phase, PhaseInitialise);
    EXPECT_EQ(desk.window.windowTitle(), "Nodrel");
    EXPECT_EQ(TextOf(desk.Label("Counter")), "Program Activation In 4s");
    EXPECT_TRUE(desk.effects.RefreshTimer().isActive());
    EXPECT_FALSE(desk.window.isMinimized()) << "a test run leaves the window up";
    EXPECT_THAT(desk.power.calls, IsEmpty());
}

TEST_F(MainWindow, ExitLogsThePhaseAndEndsTheProgram) {
    desk.Start({{"StartDelay", "1"}, {"LogLevel", "2"}});
    desk.Seconds(2);
    ASSERT_EQ(desk.program.Phase, PhaseRun);
    desk.Button("Exit")->click();
    EXPECT_THAT(desk.quits, ElementsAre(0));
    EXPECT_EQ(desk.effects.Status(), 0);
    EXPECT_FALSE(desk.effects.RefreshTimer().isActive());
    EXPECT_FALSE(desk.effects.TrayIcon().isVisible());
    EXPECT_EQ(desk.folder.LogEvents().back(), "Exit|Run");
}

TEST_F(MainWindow, ClosedDuringACountdownTheLogNamesTheActionAndNothingIsDone) {
    desk.Start({{"StartDelay", "1"}, {"ShutType", "6"}, {"LogLevel", "2"}});
    desk.Seconds(7);
    ASSERT_EQ(desk.program.Phase, PhaseCountdown);
    EXPECT_FALSE(desk.Button("Exit")->isEnabled());
    desk.window.close();  // the title bar's close button
    EXPECT_THAT(desk.quits, ElementsAre(0));
    EXPECT_EQ(desk.folder.LogEvents().back(), "Exit|Standby");
    EXPECT_THAT(desk.power.calls, IsEmpty());
}

TEST_F(MainWindow, AnExitRequestDuringABoxWaitsUntilTheStepHasFinished) {
    desk.Start({{"StartDelay", "1"}, {"LogLevel", "2"}});
    desk.Button("TestS")->click();
    BoxAnswerer boxes(QMessageBox::Ok, 5000);  // nobody answers it in time
    boxes.whileOpen = [&](QMessageBox&) { desk.window.RequestExit(); };
    for (int tick = 0; tick < 40 && boxes.seen.empty(); ++tick) desk.window.Tick();
    ASSERT_TRUE(RunUntil([&] { return desk.effects.Status().has_value(); }));
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_THAT(desk.quits, ElementsAre(0));
    const auto events = desk.folder.LogEvents();
    ASSERT_GE(events.size(), 3u);
    // The test run's end is logged whole, then the exit from the phase it left.
    EXPECT_EQ(events[events.size() - 3], "*Simulate|Power Off") << "marked as a test line";
    EXPECT_EQ(events[events.size() - 2], "Start|Initialise");
    EXPECT_EQ(events.back(), "Exit|Initialise");
}

TEST_F(MainWindow, ReloadRereadsTheSettings) {
    desk.Start({{"StartDelay", "3"}, {"LogLevel", "2"}});
    desk.folder.WriteConfig(ConfigText({{"StartDelay", "7"}, {"CPULevel", "30"}, {"LogLevel", "2"}}));
    desk.window.RequestReload();
    EXPECT_EQ(TextOf(desk.Label("Counter")), "Program Activation In 7s");
    EXPECT_EQ(TextOf(desk.Label("Title")),
              "Power Off the computer if CPU load is below 30% for over 5 sec");
    EXPECT_THAT(desk.folder.LogEvents(), Contains("Config|Updated"));
    desk.window.RequestReset();
    desk.window.RequestTest();
    EXPECT_EQ(desk.window.windowTitle(), "Nodrel - Test Mode");
}

TEST_F(MainWindow, ThePortInUseQuestionEndsTheProgramOrLeavesItUnconfigured) {
    desk.link.bindWorks = false;
    {
        BoxAnswerer boxes(QMessageBox::No);
        desk.Start({{"CMain", "2"}, {"IPAdd", "127.0.0.1"}, {"Port1", "10001"}});
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].title, "Nodrel Slave Port Error");
        EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
        EXPECT_EQ(boxes.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(boxes.seen[0].text,
                  "The RX Port 10001 Is Already In Use\nThis Error Must Be Resolved Before\n"
                  "You Can Use Nodrel.\nUse The Configuration Screen\nTo Change The RX Port.\n"
                  "Do You Want To End The Program?");
    }
    EXPECT_FALSE(desk.effects.Status());
    EXPECT_EQ(TextOf(desk.Label("Title")), "Click Configure To Set Up Nodrel Slave");
    EXPECT_FALSE(desk.Button("TestS")->isEnabled());

    BoxAnswerer yes(QMessageBox::Yes);
    desk.window.RequestReload();
    ASSERT_EQ(yes.seen.size(), 1u);
    EXPECT_THAT(desk.quits, ElementsAre(1));
}

TEST_F(MainWindow, TheLogoOpensTheHomePageOrSaysWhyNot) {
    desk.Start();
    Click(desk.window.findChild<QLabel*>("Logo"));
    EXPECT_THAT(desk.launcher.urls, ElementsAre(HomePageAddress));
    desk.launcher.works = false;
    BoxAnswerer boxes;
    Click(desk.window.findChild<QLabel*>("Logo"));
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Nodrel Error");
    EXPECT_EQ(boxes.seen[0].text, "Unable to launch Browser.");
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::NoIcon);
}

TEST_F(MainWindow, ConfigureRunsTheConfigurationHookOnly) {
    desk.Start();
    desk.Button("Config")->click();  // nothing is wired: nothing happens
    EXPECT_FALSE(desk.program.DialogOpen);
    int opened = 0;
    desk.window.openConfiguration = [&] { ++opened; };
    desk.Button("Config")->click();
    EXPECT_EQ(opened, 1);
}

TEST_F(MainWindow, TopmostFollowsRunOnTopOnActivation) {
    desk.Start({{"RunOnTop", "2"}});
    ASSERT_TRUE(RunUntil([&] { return desk.window.isActiveWindow(); }));
    EXPECT_TRUE(OnTop());
    EXPECT_TRUE(desk.window.isVisible()) << "changing the z-order does not hide the window";
}

TEST_F(MainWindow, RepaintsOnlyTheLinesThatChanged) {
    desk.Start({{"StartDelay", "5"}});
    ASSERT_TRUE(RunUntil([&] { return desk.window.isVisible(); }));
    RunFor(100);
    std::map<std::string, int> paints;
    struct Counter : QObject {
        std::map<std::string, int>* paints;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++(*paints)[watched->objectName().toStdString()];
            return false;
        }
    } counter;
    counter.paints = &paints;
    for (const char* name : {"Title", "Counter", "CPULoad", "Exit", "Reset"}) {
        desk.window.findChild<QWidget*>(name)->installEventFilter(&counter);
    }
    desk.Label("Counter")->update();  // the count sees a repaint when there is one
    RunFor(100);
    ASSERT_GE(paints["Counter"], 1);
    paints.clear();
    desk.effects.SetRefreshTimer(false);  // only the ticks below
    desk.window.Tick();                   // half a second: nothing changes
    RunFor(100);
    EXPECT_THAT(paints, IsEmpty());
    desk.window.Tick();  // a second: the activation counter moves
    RunFor(100);
    EXPECT_GE(paints["Counter"], 1);
    EXPECT_EQ(paints.count("Title"), 0u);
    EXPECT_EQ(paints.count("CPULoad"), 0u);
    EXPECT_EQ(paints.count("Reset"), 0u);
}

// ----- the tray -----

class MainWindowWithTray : public MainWindow {
protected:
    MainWindowWithTray() { desk.trayHostRuns = true; }
    void DoubleClickTheTrayIcon() {
        emit desk.effects.TrayIcon().activated(QSystemTrayIcon::DoubleClick);
    }
    bool Centred() const {
        const QPoint middle = desk.window.frameGeometry().center();
        const QPoint screen = desk.window.screen()->availableGeometry().center();
        return (middle - screen).manhattanLength() <= 2;
    }
};

TEST_F(MainWindowWithTray, StartMinTwoStartsInTheTrayAndTheUsersChoiceSurvivesAReset) {
    desk.Start({{"StartMin", "2"}});
    EXPECT_TRUE(desk.program.Window().minimised);
    EXPECT_FALSE(desk.window.isVisible());
    EXPECT_TRUE(desk.effects.TrayIcon().isVisible());
    EXPECT_EQ(desk.effects.TrayIcon().toolTip(), "Nodrel");
    EXPECT_FALSE(desk.effects.TrayIcon().icon().isNull());

    emit desk.effects.TrayIcon().activated(QSystemTrayIcon::Trigger);  // a single click
    EXPECT_FALSE(desk.window.isVisible());
    DoubleClickTheTrayIcon();
    EXPECT_TRUE(desk.window.isVisible());
    EXPECT_FALSE(desk.window.isMinimized());
    EXPECT_FALSE(desk.effects.TrayIcon().isVisible());
    EXPECT_TRUE(Centred());
    EXPECT_TRUE(desk.program.WindowOverride);

    desk.Button("Reset")->click();
    EXPECT_TRUE(desk.window.isVisible()) << "the user's choice wins";
    EXPECT_FALSE(desk.effects.TrayIcon().isVisible());
}

TEST_F(MainWindowWithTray, MinimisedByTheUserItHidesAndReturnsToTheTrayAfterACountdown) {
    desk.Start({{"StartMin", "1"}, {"StartDelay", "1"}, {"CPUDelay", "5"}});
    ASSERT_TRUE(desk.window.isVisible());
    desk.window.setWindowState(Qt::WindowMinimized);  // as the window manager reports it
    EXPECT_FALSE(desk.window.isVisible());
    EXPECT_TRUE(desk.effects.TrayIcon().isVisible());
    EXPECT_TRUE(desk.program.WindowOverride);
    desk.Seconds(6);
    ASSERT_EQ(desk.program.Phase, PhaseCountdown);
    EXPECT_TRUE(desk.window.isVisible()) << "the countdown brings it back";
    EXPECT_FALSE(desk.effects.TrayIcon().isVisible());
    desk.Button("Reset")->click();  // Cancel
    EXPECT_FALSE(desk.window.isVisible()) << "minimised by the user: back to the tray";
    EXPECT_TRUE(desk.effects.TrayIcon().isVisible());
    DoubleClickTheTrayIcon();
    EXPECT_TRUE(desk.window.isVisible());
    EXPECT_FALSE(desk.program.WindowOverride) << "brought back by the user";
}

TEST_F(MainWindowWithTray, AnExitRequestEndsTheProgramFromTheTrayAndTakesTheIconAway) {
    desk.Start({{"StartMin", "2"}, {"LogLevel", "2"}});
    ASSERT_TRUE(desk.effects.TrayIcon().isVisible());
    desk.window.RequestExit();  // SIGTERM
    EXPECT_THAT(desk.quits, ElementsAre(0));
    EXPECT_FALSE(desk.effects.TrayIcon().isVisible());
    EXPECT_EQ(desk.folder.LogEvents().back(), "Exit|Initialise");
}

TEST_F(MainWindowWithTray, ACountdownBringsTheWindowBackCentredAndOnTop) {
    desk.Start({{"StartMin", "2"}, {"StartDelay", "1"}, {"CPUDelay", "5"}});
    ASSERT_FALSE(desk.window.isVisible());
    desk.Seconds(6);
    ASSERT_EQ(desk.program.Phase, PhaseCountdown);
    EXPECT_TRUE(desk.window.isVisible());
    EXPECT_FALSE(desk.window.isMinimized());
    EXPECT_FALSE(desk.effects.TrayIcon().isVisible());
    EXPECT_TRUE(Centred());
    EXPECT_TRUE(OnTop());
    RunFor(200);  // the activation the window system reports later changes nothing
    EXPECT_TRUE(OnTop());
}

TEST_F(MainWindow, WithoutATrayHostTheMinimisedWindowStaysInTheTaskBarAndTheLogSaysSo) {
    desk.Start({{"StartMin", "2"}, {"LogLevel", "3"}});
    EXPECT_TRUE(desk.program.Window().minimised);
    EXPECT_TRUE(desk.window.isVisible()) << "not hidden: there is no icon to bring it back";
    EXPECT_TRUE(desk.window.isMinimized());
    EXPECT_FALSE(desk.effects.TrayIcon().isVisible());
    EXPECT_THAT(desk.folder.LogEvents(), Contains("NoTray|TaskBar"));

    // Restored from the task bar by the window manager.
    desk.window.setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(desk.program.Window().minimised);
    EXPECT_TRUE(desk.window.isVisible());
}

TEST_F(MainWindow, WithoutATrayHostNothingIsLoggedBelowLevelFull) {
    desk.Start({{"StartMin", "2"}, {"LogLevel", "2"}});
    EXPECT_TRUE(desk.window.isMinimized());
    EXPECT_THAT(desk.folder.LogEvents(), Not(Contains("NoTray|TaskBar")));
}

}  // namespace
}  // namespace nodrel::testing::desktop
