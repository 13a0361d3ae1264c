// The main window on the offscreen platform: that it shows the core's state (read back from
// the widgets and compared with what the core holds), and that its buttons, requests, tray
// icon and ways out reach the program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QScreen>

#include "desktop_rig.h"

namespace nodrel::testing::desktop {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

Colour ColourOf(const QColor& c) {
    if (c == QGuiApplication::palette().color(QPalette::Button)) return ButtonFace;
    if (c == QGuiApplication::palette().color(QPalette::ButtonText)) return ButtonText;
    const auto byte = [](int part) { return static_cast<std::uint8_t>(part); };
    return Colour::FromRgb(byte(c.red()), byte(c.green()), byte(c.blue()));
}
LabelState Read(const QLabel* l) {
    EXPECT_TRUE(l->autoFillBackground()) << "the back colour must show";
    return {TextOf(l), ColourOf(Fore(l)), ColourOf(l->palette().color(QPalette::Window)),
            l->font().bold()};
}
ButtonState Read(const QPushButton* b) {
    return {b->text().toStdString(), b->toolTip().toStdString(), b->isEnabled()};
}
bool OnTop(const Desk& desk) { return desk.window.windowFlags() & Qt::WindowStaysOnTopHint; }
bool CentredAndUp(const Desk& desk) {
    const QPoint middle = desk.window.screen()->availableGeometry().center();
    return desk.window.isVisible() && !desk.window.isMinimized() &&
           (desk.window.frameGeometry().center() - middle).manhattanLength() <= 2;
}

TEST(MainWindow, ShowsTheProgramsStateInEachPhase) {
    struct Case {
        const char* name;
        Overrides overrides;
        std::function<void(Desk&)> drive;
        std::string counter;  // that the state was reached
    };
    const auto seconds = [](int n) { return [n](Desk& d) { d.Seconds(n); }; };
    const Case cases[] = {
        {"after start", {{"StartDelay", "3"}}, seconds(1), "Program Activation In 2s"},
        {"run", {{"StartDelay", "1"}},
         [](Desk& d) { d.counters.loads = {0, 10, 10, 10}; d.Seconds(4); },
         "CPU less than 20% for the last 3s"},
        {"slave", {{"CMain", "2"}, {"IPAdd", "127.0.0.1"}, {"StartDelay", "1"}},
         [](Desk& d) { d.Seconds(1); d.program.udpServ_DataArrival("<COA100>"); d.Seconds(1); },
         "Connected"},
        {"countdown", {{"StartDelay", "1"}}, seconds(6), "The Computer Will Power Off In 10s"},
        {"after a reset", {{"StartDelay", "1"}},
         [](Desk& d) { d.Seconds(6); d.Button("Reset")->click(); }, "Program Activation In 1s"},
        {"unconfigured", {{"ShutType", "4"}}, seconds(3), ""},
        {"test mode", {}, [](Desk& d) { d.Button("TestS")->click(); }, "Program Activation In 2s"},
        {"minimised without a tray host: in the task bar, told once at level Full",
         {{"StartMin", "2"}},
         [](Desk& d) {
             d.Seconds(1);
             EXPECT_THAT(d.folder.LogEvents(), Contains("NoTray|TaskBar").Times(1));
         },
         "Program Activation In 1s"},
        {"the same at level Normal, not told", {{"StartMin", "2"}, {"LogLevel", "2"}},
         [](Desk& d) { EXPECT_THAT(d.folder.LogEvents(), Not(Contains("NoTray|TaskBar"))); },
         "Program Activation In 2s"},
        {"on top once active", {{"RunOnTop", "2"}},
         [](Desk& d) { EXPECT_TRUE(RunUntil([&] { return OnTop(d); })); },
         "Program Activation In 2s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk desk;
        desk.Start(c.overrides);
        c.drive(desk);
        const MainWindow& core = desk.program.Window();
        EXPECT_EQ(core.Counter.caption, c.counter);
        EXPECT_EQ(desk.window.windowTitle().toStdString(), core.caption);
        EXPECT_EQ(Read(desk.Label("Title")), core.Title);
        EXPECT_EQ(Read(desk.Label("Counter")), core.Counter);
        EXPECT_EQ(Read(desk.Label("CPULoad")), core.CPULoad);
        for (const auto& [name, button] : {std::pair("Exit", &core.Exit), {"About", &core.About},
                                           {"Config", &core.Config}, {"TestS", &core.TestS},
                                           {"Reset", &core.Reset}}) {
            EXPECT_EQ(Read(desk.Button(name)), *button) << name;
        }
        EXPECT_EQ(OnTop(desk), core.topmost);
        EXPECT_EQ(desk.window.isMinimized(), core.minimised);
        EXPECT_TRUE(desk.window.isVisible());
    }
}

// A test run ends in a box shown from inside a tick. The real timer fires meanwhile, and an
// exit is asked for (SIGTERM): the box closes and the program ends once the step is done.
TEST(MainWindow, ATestRunsLastBoxHoldsTheCycleAndAnExitRequestWaitsForTheStep) {
    Desk desk;
    desk.Start({{"StartDelay", "4"}, {"LogLevel", "2"}});
    desk.Button("TestS")->click();
    desk.RealTicks(true);
    BoxAnswerer boxes(QMessageBox::Ok, 5000);    // nobody answers it
    std::vector<std::pair<int, int>> whileOpen;  // phase and count, sampled during the box
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &sampler, [&] {
        if (!desk.effects.InMessageBox()) return;
        whileOpen.emplace_back(desk.program.Phase, desk.program.Count);
        if (whileOpen.size() == 12) desk.window.RequestExit();
    });
    sampler.start(100);
    for (int tick = 0; tick < 40 && boxes.seen.empty(); ++tick) desk.window.Tick();
    ASSERT_TRUE(RunUntil([&] { return !desk.quits.empty(); }, 3000));
    EXPECT_THAT(desk.quits, ElementsAre(0));
    ASSERT_EQ(boxes.seen.size(), 1u) << "one box, however many ticks came while it was open";
    EXPECT_EQ(boxes.seen[0].text, "Test Power Off");
    ASSERT_EQ(whileOpen.size(), 12u);
    EXPECT_EQ(whileOpen.front().first, PhaseCountdown);
    for (const auto& sample : whileOpen) EXPECT_EQ(sample, whileOpen.front()) << "stood still";
    const auto events = desk.folder.LogEvents();
    ASSERT_GE(events.size(), 3u);
    EXPECT_THAT(std::vector(events.end() - 3, events.end()),
                ElementsAre("*Simulate|Power Off", "Start|Initialise", "Exit|Initialise"));
}

TEST(MainWindow, ExitLogsTheExitWithThePhaseAndEndsTheProgram) {
    Desk desk;
    desk.Start({{"StartDelay", "1"}, {"LogLevel", "2"}});
    desk.Seconds(2);
    desk.Button("Exit")->click();
    EXPECT_THAT(desk.quits, ElementsAre(0));
    EXPECT_EQ(desk.folder.LogEvents().back(), "Exit|Run");
}

TEST(MainWindow, TheRequestsTheLogoAndConfigureReachTheProgram) {
    Desk desk;
    desk.Start({{"StartDelay", "3"}});
    desk.folder.WriteConfig(ConfigText({{"StartDelay", "7"}}));
    desk.window.RequestReload();
    EXPECT_EQ(TextOf(desk.Label("Counter")), "Program Activation In 7s");
    desk.window.RequestTest();
    EXPECT_EQ(desk.window.windowTitle(), "Nodrel - Test Mode");
    desk.window.RequestReset();
    EXPECT_EQ(desk.window.windowTitle(), "Nodrel");
    Click(desk.Label("Logo"));
    EXPECT_THAT(desk.launcher.urls, ElementsAre(HomePageAddress));
    int opened = 0;
    desk.window.openConfiguration = [&] { ++opened; };
    desk.Button("Config")->click();
    EXPECT_EQ(opened, 1);
}

TEST(MainWindowTray, StartedInTheTrayACountdownBringsItBackAndTheUsersChoiceSurvivesAReset) {
    Desk desk;
    desk.trayHostRuns = true;
    desk.Start({{"StartMin", "2"}, {"StartDelay", "1"}});
    const auto inTray = [&] {
        return !desk.window.isVisible() && desk.effects.TrayIcon().isVisible();
    };
    EXPECT_TRUE(inTray());
    emit desk.effects.TrayIcon().activated(QSystemTrayIcon::Trigger);  // a single click
    EXPECT_TRUE(inTray());
    desk.Seconds(6);
    EXPECT_TRUE(CentredAndUp(desk) && !desk.effects.TrayIcon().isVisible()) << "a countdown";
    RunFor(200);  // the activation the window system reports later changes nothing
    EXPECT_TRUE(OnTop(desk));
    desk.Button("Reset")->click();  // Cancel
    EXPECT_TRUE(inTray()) << "not brought back by the user: back to the tray";
    emit desk.effects.TrayIcon().activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(CentredAndUp(desk) && !desk.effects.TrayIcon().isVisible());
    desk.Button("Reset")->click();
    EXPECT_TRUE(desk.window.isVisible() && !desk.effects.TrayIcon().isVisible())
        << "the user's choice wins";
    desk.window.setWindowState(Qt::WindowMinimized);  // as the window manager reports it
    EXPECT_TRUE(inTray());
    EXPECT_TRUE(desk.program.Window().minimised);
}

}  // namespace
}  // namespace nodrel::testing::desktop
