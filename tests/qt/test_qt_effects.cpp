// The desktop's effects (message boxes, the refresh timer, the end), the link's socket
// watcher and the launcher.
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "desktop_rig.h"
#include "frontends/nodrel/link_watcher.h"
#include "frontends/nodrel/qt_launcher.h"
#include "frontends/nodrel/qt_text.h"

namespace nodrel::qt {
namespace {

// Each style's icon and buttons, the answer (NoButton: Escape), CR LF as a line break, and
// the open box reported while it is open.
TEST(QtEffects, MessageBoxStylesAnswersAndLines) {
    const struct {
        int style;
        QMessageBox::StandardButton press;
        QMessageBox::Icon icon;
        int answer;
    } cases[] = {
        {box::kPlain, QMessageBox::Ok, QMessageBox::NoIcon, box::kAnswerOk},
        {box::kCritical, QMessageBox::Ok, QMessageBox::Critical, box::kAnswerOk},
        {box::kCriticalYesNo, QMessageBox::Yes, QMessageBox::Critical, box::kAnswerYes},
        {box::kCriticalYesNo, QMessageBox::NoButton, QMessageBox::Critical, box::kAnswerNo},
        {box::kExclamation, QMessageBox::NoButton, QMessageBox::Warning, box::kAnswerOk},
        {box::kInformation, QMessageBox::Ok, QMessageBox::Information, box::kAnswerOk},
    };
    QtEffects effects;
    std::vector<bool> openSeen;
    effects.onMessageBoxes = [&] { openSeen.push_back(effects.InMessageBox()); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        BoxAnswerer boxes(c.press);
        openSeen.clear();
        EXPECT_EQ(effects.ShowMessage(c.style, "Nodrel Title", "First\r\nSecond"), c.answer);
        EXPECT_THAT(boxes.seen,
                    ElementsAre(std::to_string(c.icon) + "|Nodrel Title|First\nSecond"));
        EXPECT_THAT(openSeen, ElementsAre(true, false));
    }
}

// A tick each half second until stopped; the end stops the timer for good, takes the tray
// icon away and shows no more boxes.
TEST(QtEffects, TheRefreshTimerTicksEveryHalfSecondUntilTheEnd) {
    QtEffects effects([] { return true; });
    std::vector<int> quits;  // instead of ending the test's own event loop
    effects.quit = [&](int status) { quits.push_back(status); };
    int ticks = 0;
    effects.onTick = [&] { ++ticks; };
    effects.SetRefreshTimer(true);
    EXPECT_EQ(effects.RefreshTimer().interval(), 500);
    ASSERT_TRUE(RunUntil([&] { return ticks == 2; }));
    effects.SetRefreshTimer(false);
    RunFor(600);
    EXPECT_EQ(ticks, 2);
    effects.SetRefreshTimer(true);
    effects.AddTrayIcon();
    effects.EndProgram(3);
    EXPECT_THAT(quits, ElementsAre(3));
    EXPECT_EQ(effects.Status(), 3);
    EXPECT_FALSE(effects.RefreshTimer().isActive() || effects.TrayIcon().isVisible());
    effects.SetRefreshTimer(true);
    EXPECT_FALSE(effects.RefreshTimer().isActive()) << "nothing starts after the end";
    EXPECT_EQ(effects.ShowMessage(box::kCriticalYesNo, "t", "x"), box::kAnswerNo) << "no box";
}

// Reads each datagram, holds while a box is open, follows the socket a reload bound.
TEST(QtLinkWatcher, ReadsWhatArrivesHoldsDuringABoxAndFollowsANewSocket) {
    int sockets[2][2];
    for (auto& pair : sockets)
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0, pair), 0);
    int current = sockets[0][0];
    std::vector<std::string> received;
    LinkWatcher watcher([&] { return current; },
                        [&] {
                            char buffer[64];
                            for (ssize_t got;
                                 (got = recv(current, buffer, sizeof buffer, 0)) > 0;) {
                                received.emplace_back(buffer, static_cast<std::size_t>(got));
                            }
                        });
    const auto send = [&](int pair, const char* text) { write(sockets[pair][1], text, 8); };
    const auto arrived = [&](std::size_t n) {
        return RunUntil([&] { return received.size() == n; });
    };
    watcher.Follow(true);  // a box is open: the datagram waits in the socket
    send(0, "<COA100>");
    RunFor(150);
    EXPECT_TRUE(received.empty());
    watcher.Follow(false);
    ASSERT_TRUE(arrived(1));
    current = sockets[1][0];
    watcher.Follow(false);
    send(1, "<COT000>");
    ASSERT_TRUE(arrived(2));
    EXPECT_THAT(received, ElementsAre("<COA100>", "<COT000>"));
    current = -1;  // no socket at all
    watcher.Follow(false);
    EXPECT_FALSE(watcher.Reading());
    for (auto& pair : sockets) close(pair[0]), close(pair[1]);
}

// The opener is started, not waited for; a missing one is a failure.
TEST(QtLauncher, OpenFileHandsThePathToTheOpenerWithoutWaiting) {
    ScratchFolder folder;
    WriteBytes("opener", "#!/bin/sh\nsleep 2\nprintf '%s' \"$1\" > seen\n");
    std::filesystem::permissions("opener", std::filesystem::perms::owner_all);
    QtLauncher launcher;
    launcher.opener = ToQString((folder.Path() / "opener").string());
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(launcher.OpenFile("Log/Nodrel.log"));
    EXPECT_LT(clock.elapsed(), 1000) << "not waited for the opener's two seconds";
    EXPECT_TRUE(RunUntil([] { return ReadBytes("seen") == "Log/Nodrel.log"; }));
    launcher.opener = ToQString((folder.Path() / "missing").string());
    EXPECT_FALSE(launcher.OpenFile("Log/Nodrel.log")) << "no opener installed";
}

}  // namespace
}  // namespace nodrel::qt
