// The main window: the core's state reaching its widgets, and its buttons, requests, tray
// icon and ways out reaching the program.
#include <sys/socket.h>
#include <unistd.h>

#include <QScreen>

#include "desktop_rig.h"
#include "frontends/nodrel/frm_config.h"

namespace nodrel::qt {
namespace {

using ::testing::Contains;

Colour ColourOf(const QColor& c) {
    if (c == QGuiApplication::palette().color(QPalette::Button)) return kButtonFace;
    if (c == QGuiApplication::palette().color(QPalette::ButtonText)) return kButtonText;
    return Colour::FromRgb(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
}
LabelState Read(const QLabel* l) {
    EXPECT_TRUE(l->autoFillBackground()) << "the back colour must show";
    return {TextOf(l), ColourOf(Fore(l)), ColourOf(l->palette().color(QPalette::Window)),
            l->font().bold()};
}
ButtonState Read(const QPushButton* b) {
    return {b->text().toStdString(), b->toolTip().toStdString(), b->isEnabled()};
}
bool OnTop(const Desk& desk) {
    return desk.window.windowFlags() & Qt::WindowStaysOnTopHint;
}

// Captions, colours, buttons, title, on top and minimised as the core holds them, in the
// phases whose looks differ.
TEST(MainWindow, ShowsTheProgramsStateInEachPhase) {
    const struct {
        Overrides overrides;
        std::function<void(Desk&)> drive;
        std::string counter;  // that the state was reached
    } cases[] = {
        {{{"StartDelay", "1"}},
         [](Desk& d) { d.Seconds(6); },
         "The Computer Will Power Off In 10s"},
        // minimised in the task bar without a tray host, and the core told once
        {{{"StartMin", "2"}},
         [](Desk& d) {
             d.Seconds(1);
             EXPECT_THAT(d.folder.LogEvents(), Contains("NoTray|TaskBar").Times(1));
         },
         "Program Activation In 1s"},
        {{{"RunOnTop", "2"}},
         [](Desk& d) { EXPECT_TRUE(RunUntil([&] { return OnTop(d); })); },
         "Program Activation In 2s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.counter);
        Desk desk;
        desk.Start(c.overrides);
        c.drive(desk);
        const MainWindow& core = desk.program.Window();
        EXPECT_EQ(core.Counter.caption, c.counter);
        EXPECT_EQ(desk.window.windowTitle().toStdString(), core.caption);
        EXPECT_EQ(Read(desk.Label("Title")), core.Title);
        EXPECT_EQ(Read(desk.Label("Counter")), core.Counter);
        EXPECT_EQ(Read(desk.Label("CPULoad")), core.CPULoad);
        EXPECT_EQ(Read(desk.Button("Exit")), core.Exit);
        EXPECT_EQ(Read(desk.Button("About")), core.About);
        EXPECT_EQ(Read(desk.Button("Config")), core.Config);
        EXPECT_EQ(Read(desk.Button("TestS")), core.TestS);
        EXPECT_EQ(Read(desk.Button("Reset")), core.Reset);
        EXPECT_EQ(OnTop(desk), core.topmost);
        EXPECT_EQ(desk.window.isMinimized(), core.minimised);
        EXPECT_TRUE(desk.window.isVisible());
    }
}

// A test run ends in a box shown from inside a tick, the cycle already restarted, while
// further ticks arrive (that the cycle stands still meanwhile: tests/unit Link): an exit asked
// for meanwhile (SIGTERM) closes it and ends once the step is done.
TEST(MainWindow, ATestRunsLastBoxHoldsTheCycleAndAnExitRequestWaitsForTheStep) {
    Desk desk;
    desk.Start({{"StartDelay", "4"}, {"LogLevel", "2"}});
    desk.Button("TestS")->click();
    BoxAnswerer boxes(QMessageBox::Ok, 5000);  // nobody answers it
    int samples = 0;
    QTimer ticker;  // the refresh timer's ticks, as they come while the box runs its loop
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        if (!desk.effects.InMessageBox() || boxes.seen.empty()) return;
        desk.window.Tick();
        if (++samples == 12) desk.window.RequestExit();
    });
    ticker.start(0);
    for (int tick = 0; tick < 40 && boxes.seen.empty(); ++tick) desk.window.Tick();
    ASSERT_TRUE(RunUntil([&] { return !desk.quits.empty(); }, 3000));
    EXPECT_THAT(desk.quits, ElementsAre(0));
    ASSERT_EQ(boxes.seen.size(), 1u) << "one box, however many ticks came while it was open";
    EXPECT_THAT(boxes.seen[0], EndsWith("|Test Power Off"));
    EXPECT_EQ(samples, 12);
    EXPECT_THAT(Last(desk.folder.LogEvents(), 3),
                ElementsAre("*Simulate|Power Off", "Start|Initialise", "Exit|Initialise"));
}

// A box the user opened (the logo's) holds neither the link nor the cycle: the slave reads
// its master's datagrams under it, each tick is drawn, and the first step of a countdown
// closes the box, so that the countdown shows and Cancel can be reached.
TEST(MainWindow, ABoxOpenedOutsideATickLeavesTheLinkReadAndTheCountdownCloses) {
    Desk desk;
    desk.launcher.works = false;
    desk.Start({{"CMain", "2"}, {"IPAdd", "127.0.0.1"}, {"StartDelay", "1"}});
    int link[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0, link), 0);
    const auto receive = [&] {
        for (char got[8]; recv(link[0], got, 8, 0) == 8;)
            desk.program.udpServ_DataArrival({got, 8});
    };
    desk.window.WatchLink([&] { return link[0]; }, receive);
    BoxAnswerer boxes(QMessageBox::Ok, 10000);  // nobody answers it
    std::vector<std::string> drawn;             // the Counter label after each tick under it
    QTimer ticker;  // the refresh timer, with the master alive for the first 4 s
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        if (!desk.effects.InMessageBox()) return;
        if (drawn.size() < 8) write(link[1], "<COA100>", 8);
        desk.window.Tick();
        drawn.push_back(TextOf(desk.Label("Counter")));
    });
    ticker.start(20);
    Click(desk.Label("Logo"));
    EXPECT_THAT(desk.launcher.urls, ElementsAre(HomePageAddress));
    EXPECT_THAT(boxes.seen, ElementsAre("0|Nodrel Error|Unable to launch Browser."));
    EXPECT_THAT(drawn, Contains("Connected"));
    EXPECT_THAT(Last(drawn, 1), ElementsAre("The Computer Will Power Off In 10s"));
    close(link[0]), close(link[1]);
}

// Opens the about or configuration window from its button, runs `whileOpen` in it, and returns
// once the window has gone; one left open two seconds on is closed and fails the test.
void WhileWindowOpen(Desk& desk, const char* button, const std::function<void()>& whileOpen) {
    desk.window.openConfiguration = [&] {
        frmConfig config(desk.program, true);
        desk.window.RunDialog(config);
    };
    QPointer<QWidget> open;
    QTimer::singleShot(0, &desk.window, [&] {
        open = QApplication::activeModalWidget();
        ASSERT_TRUE(open);
        whileOpen();
    });
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [&] {
        ADD_FAILURE() << "still open";
        if (open) open->close();
    });
    stuck.start(2000);
    desk.Button(button)->click();
}

// A reload, test and reset asked for (SIGHUP, SIGUSR2, SIGUSR1) while the about or the
// configuration window is open wait until it has closed, so that it still closes itself
// when its time is up, its countdown drawn by its own one-second timer; an exit (SIGTERM)
// ends the program and closes the window.
TEST(MainWindow, RequestsWaitForTheAboutAndConfigurationWindowsButAnExitClosesThem) {
    for (const char* button : {"About", "Config"}) {
        SCOPED_TRACE(button);
        Desk desk;
        desk.Start({{"StartDelay", "20"}, {"LogLevel", "2"}});
        desk.folder.WriteConfig(ConfigText({{"StartDelay", "7"}, {"LogLevel", "2"}}));
        WhileWindowOpen(desk, button, [&] {
            desk.window.RequestReload();
            desk.window.RequestTest();
            desk.window.RequestReset();
            EXPECT_EQ(TextOf(desk.Label("Counter")), "Program Activation In 20s");
            // The window's own timer runs out each second, and the tick closes the window.
            QWidget* open = QApplication::activeModalWidget();
            auto* timer = open->findChild<QTimer*>("Timer1");
            EXPECT_TRUE(timer->isActive() && timer->interval() == 1000);
            for (int i = button == std::string("About") ? 30 : 600; i > 0; --i) {
                QMetaObject::invokeMethod(timer, "timeout");
            }
            EXPECT_THAT(TextOf(open->findChild<QLabel*>("TMessage")), EndsWith("close in 1 sec"));
            desk.Seconds(1);
        });
        EXPECT_THAT(Last(desk.folder.LogEvents(), 6),
                    ElementsAre("Config|Updated", "Start|Initialise", "*Enter|Test",
                                "*Start|Initialise", "*Reset|Initialise", "Start|Initialise"));
        EXPECT_EQ(TextOf(desk.Label("Counter")), "Program Activation In 7s");

        WhileWindowOpen(desk, button, [&] { desk.window.RequestExit(); });
        EXPECT_THAT(desk.quits, ElementsAre(0));
        EXPECT_EQ(desk.folder.LogEvents().back(), "Exit|Initialise");
    }
}

// Started in the tray: a single click leaves it there, a countdown brings it back centred and
// on top, Cancel returns it; a double click is the user's choice, which survives a reset.
// Exit reaches the program.
TEST(MainWindowTray, StartedInTheTrayACountdownBringsItBackAndTheUsersChoiceSurvivesAReset) {
    Desk desk;
    desk.trayHostRuns = true;
    desk.Start({{"StartMin", "2"}, {"StartDelay", "1"}});
    const auto inTray = [&] {
        return !desk.window.isVisible() && desk.effects.TrayIcon().isVisible();
    };
    const auto up = [&] {
        const QPoint middle = desk.window.screen()->availableGeometry().center();
        return desk.window.isVisible() && !desk.window.isMinimized() &&
               !desk.effects.TrayIcon().isVisible() &&
               (desk.window.frameGeometry().center() - middle).manhattanLength() <= 2;
    };
    EXPECT_TRUE(inTray());
    emit desk.effects.TrayIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(inTray());
    desk.Seconds(6);
    EXPECT_TRUE(up() && OnTop(desk)) << "a countdown";
    desk.Button("Reset")->click();
    EXPECT_TRUE(inTray()) << "not brought back by the user: back to the tray";
    emit desk.effects.TrayIcon().activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(up());
    desk.Button("Reset")->click();
    EXPECT_TRUE(desk.window.isVisible() && !desk.effects.TrayIcon().isVisible());
    desk.window.setWindowState(Qt::WindowMinimized);  // as the window manager reports it
    EXPECT_TRUE(inTray() && desk.program.Window().minimised);
    desk.Button("Exit")->click();
    EXPECT_THAT(desk.quits, ElementsAre(0));
}

}  // namespace
}  // namespace nodrel::qt
