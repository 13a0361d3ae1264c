// The desktop's side of the effects (message boxes, the refresh timer, the end), the link's
// socket watcher and the launcher. The tray icon, closing the boxes and the windows the tick
// closes show in the windows' tests.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "desktop_rig.h"
#include "frontends/nodrel/link_watcher.h"
#include "frontends/nodrel/qt_launcher.h"

namespace nodrel::testing::desktop {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(QtEffects, MessageBoxStylesAnswersAndLines) {
    struct Case {
        int style;
        QMessageBox::StandardButton press;  // NoButton: closed as its Escape key would
        QMessageBox::Icon icon;
        int answer;
    };
    const Case cases[] = {
        {box::Plain, QMessageBox::Ok, QMessageBox::NoIcon, box::AnswerOk},
        {box::Critical, QMessageBox::Ok, QMessageBox::Critical, box::AnswerOk},
        {box::CriticalYesNo, QMessageBox::Yes, QMessageBox::Critical, box::AnswerYes},
        {box::CriticalYesNo, QMessageBox::No, QMessageBox::Critical, box::AnswerNo},
        {box::CriticalYesNo, QMessageBox::NoButton, QMessageBox::Critical, box::AnswerNo},
        {box::Exclamation, QMessageBox::NoButton, QMessageBox::Warning, box::AnswerOk},
        {box::Information, QMessageBox::Ok, QMessageBox::Information, box::AnswerOk},
    };
    QtEffects effects;
    std::vector<bool> openSeen;
    effects.onMessageBoxes = [&] { openSeen.push_back(effects.InMessageBox()); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        BoxAnswerer boxes(c.press);
        openSeen.clear();
        EXPECT_EQ(effects.ShowMessage(c.style, "Nodrel Title", "First\r\nSecond"), c.answer);
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].icon, c.icon);
        EXPECT_EQ(boxes.seen[0].title + "|" + boxes.seen[0].text, "Nodrel Title|First\nSecond");
        EXPECT_THAT(openSeen, ElementsAre(true, false));
    }
}

TEST(QtEffects, TheRefreshTimerTicksEveryHalfSecondUntilTheEndWhichTakesTheTrayIconAway) {
    QtEffects effects([] { return true; });
    std::vector<int> quits;  // instead of ending the test's own event loop
    effects.quit = [&](int status) { quits.push_back(status); };
    int ticks = 0;
    effects.onTick = [&] { ++ticks; };
    QElapsedTimer clock;
    clock.start();
    effects.SetRefreshTimer(true);
    ASSERT_TRUE(RunUntil([&] { return ticks == 2; }));
    EXPECT_GE(clock.elapsed(), 995) << "two ticks take a second";
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
    BoxAnswerer boxes(QMessageBox::No);  // answers one that should not be there
    EXPECT_EQ(effects.ShowMessage(box::CriticalYesNo, "t", "x"), box::AnswerNo);
    EXPECT_TRUE(boxes.seen.empty()) << "no box after the end";
}

// A UDP socket bound on the loopback interface; Send puts a datagram into it.
struct Loopback {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    Loopback() {
        bind(fd, reinterpret_cast<sockaddr*>(&address), length);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    }
    ~Loopback() { close(fd); }
    void Send(const std::string& text) {
        sendto(fd, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&address), length);
    }
};

TEST(QtLinkWatcher, ReadsWhatArrivesHoldsDuringABoxAndFollowsANewSocket) {
    Loopback first, second;
    int current = first.fd;
    std::vector<std::string> received;
    LinkWatcher watcher([&] { return current; }, [&] {
        char buffer[64];
        for (ssize_t got; (got = recv(current, buffer, sizeof buffer, 0)) > 0;) {
            received.emplace_back(buffer, static_cast<std::size_t>(got));
        }
    });
    const auto arrived = [&](std::size_t count) {
        return RunUntil([&] { return received.size() == count; }, 2000);
    };
    watcher.Follow(false);
    first.Send("<COA100>");
    ASSERT_TRUE(arrived(1));
    watcher.Follow(true);  // a box is open: the datagram waits in the socket
    first.Send("<COC000>");
    RunFor(150);
    EXPECT_EQ(received.size(), 1u);
    watcher.Follow(false);
    ASSERT_TRUE(arrived(2));
    current = second.fd;  // a reload bound a new socket
    watcher.Follow(false);
    second.Send("<COT000>");
    ASSERT_TRUE(arrived(3));
    EXPECT_THAT(received, ElementsAre("<COA100>", "<COC000>", "<COT000>"));
    current = -1;  // no socket at all
    watcher.Follow(false);
    EXPECT_FALSE(watcher.Reading());
}

TEST(QtLauncher, OpenFileHandsThePathToTheOpenerWithoutWaiting) {
    ScratchFolder folder;
    WriteBytes("opener", "#!/bin/sh\nsleep 2\nprintf '%s' \"$1\" > seen\n");
    fs::permissions("opener", fs::perms::owner_all);
    QtLauncher launcher;
    launcher.opener = QString::fromStdString((folder.Path() / "opener").string());
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(launcher.OpenFile("Log/Nodrel.log"));
    EXPECT_LT(clock.elapsed(), 1000) << "not waited for the opener's two seconds";
    EXPECT_TRUE(RunUntil([] { return ReadBytes("seen") == "Log/Nodrel.log"; }));
    launcher.opener = QString::fromStdString((folder.Path() / "missing").string());
    EXPECT_FALSE(launcher.OpenFile("Log/Nodrel.log")) << "no opener installed";
}

}  // namespace
}  // namespace nodrel::testing::desktop
