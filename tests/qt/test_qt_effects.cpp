// The desktop's side of the effects: message boxes, the refresh timer, the end of the
// program, the tray icon and the windows the tick closes; and the link's socket watcher.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDialog>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "desktop_rig.h"
#include "frontends/nodrel/link_watcher.h"
#include "frontends/nodrel/qt_launcher.h"

namespace nodrel::testing::desktop {
namespace {

using ::testing::ElementsAre;

TEST(QtEffects, MessageBoxStylesAnswersAndLines) {
    struct Case {
        int style;
        QMessageBox::StandardButton press;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        int answer;
    };
    const QMessageBox::StandardButtons ok = QMessageBox::Ok;
    const QMessageBox::StandardButtons yesNo = QMessageBox::Yes | QMessageBox::No;
    const Case cases[] = {
        {box::Plain, QMessageBox::Ok, QMessageBox::NoIcon, ok, box::AnswerOk},
        {box::Critical, QMessageBox::Ok, QMessageBox::Critical, ok, box::AnswerOk},
        {box::CriticalYesNo, QMessageBox::Yes, QMessageBox::Critical, yesNo, box::AnswerYes},
        {box::CriticalYesNo, QMessageBox::No, QMessageBox::Critical, yesNo, box::AnswerNo},
        // Closed without a button: as its Escape key would answer.
        {box::CriticalYesNo, QMessageBox::NoButton, QMessageBox::Critical, yesNo, box::AnswerNo},
        {box::Exclamation, QMessageBox::Ok, QMessageBox::Warning, ok, box::AnswerOk},
        {box::Exclamation, QMessageBox::NoButton, QMessageBox::Warning, ok, box::AnswerOk},
        {box::Information, QMessageBox::Ok, QMessageBox::Information, ok, box::AnswerOk},
    };
    QtEffects effects;
    std::vector<bool> openSeen;
    effects.onMessageBoxes = [&] { openSeen.push_back(effects.InMessageBox()); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        BoxAnswerer boxes(c.press);
        openSeen.clear();
        const int answer = effects.ShowMessage(c.style, "Nodrel Title", "First\r\nSecond");
        EXPECT_EQ(answer, c.answer);
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].icon, c.icon);
        EXPECT_EQ(boxes.seen[0].buttons, c.buttons);
        EXPECT_EQ(boxes.seen[0].title, "Nodrel Title");
        EXPECT_EQ(boxes.seen[0].text, "First\nSecond");
        EXPECT_THAT(openSeen, ElementsAre(true, false));
        EXPECT_FALSE(effects.InMessageBox());
    }
}

TEST(QtEffects, CloseMessageBoxesAnswersTheOpenOnesWithoutAButton) {
    QtEffects effects;
    BoxAnswerer boxes(QMessageBox::Yes, 5000);
    boxes.whileOpen = [&](QMessageBox&) { effects.CloseMessageBoxes(); };
    EXPECT_EQ(effects.ShowMessage(box::CriticalYesNo, "t", "x"), box::AnswerNo);
}

TEST(QtEffects, TheRefreshTimerTicksEveryHalfSecondUntilTheEnd) {
    QtEffects effects;
    std::vector<int> quits;
    effects.quit = [&](int status) { quits.push_back(status); };
    int ticks = 0;
    effects.onTick = [&] { ++ticks; };
    effects.SetRefreshTimer(true);
    EXPECT_TRUE(effects.RefreshTimer().isActive());
    EXPECT_EQ(effects.RefreshTimer().interval(), 500);
    EXPECT_EQ(effects.RefreshTimer().timerType(), Qt::PreciseTimer);
    RunFor(1150);
    EXPECT_EQ(ticks, 2);
    effects.SetRefreshTimer(false);
    RunFor(600);
    EXPECT_EQ(ticks, 2);

    effects.SetRefreshTimer(true);
    effects.EndProgram(3);
    EXPECT_THAT(quits, ElementsAre(3));
    EXPECT_EQ(effects.Status(), 3);
    EXPECT_FALSE(effects.RefreshTimer().isActive());
    effects.SetRefreshTimer(true);
    EXPECT_FALSE(effects.RefreshTimer().isActive()) << "nothing starts after the end";
    BoxAnswerer boxes;
    EXPECT_EQ(effects.ShowMessage(box::CriticalYesNo, "t", "x"), box::AnswerNo);
    EXPECT_TRUE(boxes.seen.empty()) << "no box after the end";
}

TEST(QtEffects, TheTrayIconNeedsATrayHostAndHidesOnlyBehindIt) {
    bool hostRuns = false;
    QtEffects effects([&] { return hostRuns; });
    QWidget window;
    effects.AttachWindow(&window);
    window.show();
    EXPECT_EQ(effects.TrayIcon().toolTip(), "Nodrel");

    effects.AddTrayIcon();
    EXPECT_FALSE(effects.TrayIcon().isVisible());
    EXPECT_TRUE(effects.TakeNoTrayNotice());
    EXPECT_FALSE(effects.TakeNoTrayNotice()) << "told once";
    effects.HideWindow();
    EXPECT_TRUE(window.isVisible()) << "without an icon the window would be lost";

    hostRuns = true;
    effects.AddTrayIcon();
    EXPECT_TRUE(effects.TrayIcon().isVisible());
    EXPECT_FALSE(effects.TakeNoTrayNotice());
    effects.HideWindow();
    EXPECT_FALSE(window.isVisible());
    effects.RemoveTrayIcon();
    EXPECT_FALSE(effects.TrayIcon().isVisible());
    effects.EndProgram(0);
    EXPECT_FALSE(effects.TrayIcon().isVisible());
}

TEST(QtEffects, CloseDialogsClosesTheRegisteredWindowsThatAreOpen) {
    QtEffects effects;
    QDialog open;
    QDialog closed;
    auto gone = std::make_unique<QDialog>();
    effects.RegisterDialog(&open);
    effects.RegisterDialog(&closed);
    effects.RegisterDialog(gone.get());
    open.show();
    gone.reset();
    int finished = 0;
    QObject::connect(&open, &QDialog::finished, &open, [&] { ++finished; });
    QObject::connect(&closed, &QDialog::finished, &closed, [&] { ++finished; });
    effects.CloseDialogs();
    EXPECT_FALSE(open.isVisible());
    EXPECT_EQ(finished, 1);
}

// Two UDP sockets on the loopback interface.
class QtLinkWatcher : public ::testing::Test {
protected:
    void SetUp() override {
        for (int* fd : {&receiver, &other, &sender}) {
            *fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ASSERT_GE(*fd, 0);
        }
        for (const int fd : {receiver, other}) {
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        }
    }
    void TearDown() override {
        for (const int fd : {receiver, other, sender}) {
            if (fd >= 0) close(fd);
        }
    }
    void SendTo(int fd, const char* text) {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        sendto(sender, text, strlen(text), 0, reinterpret_cast<sockaddr*>(&address), length);
    }
    // Reads what has arrived on the watched socket, as the link does.
    void Drain(int fd) {
        char buffer[64];
        ssize_t got;
        while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) {
            received.emplace_back(buffer, static_cast<std::size_t>(got));
        }
    }
    int receiver = -1, other = -1, sender = -1;
    std::vector<std::string> received;
};

TEST_F(QtLinkWatcher, ReadsWhatArrivesHoldsDuringABoxAndFollowsANewSocket) {
    int current = receiver;
    LinkWatcher watcher([&] { return current; }, [&] { Drain(current); });
    watcher.Follow(false);
    EXPECT_EQ(watcher.Watched(), receiver);
    SendTo(receiver, "<COA100>");
    ASSERT_TRUE(RunUntil([&] { return received.size() == 1; }, 2000));

    watcher.Follow(true);  // a box is open: the datagram waits in the socket
    EXPECT_FALSE(watcher.Reading());
    SendTo(receiver, "<COC000>");
    RunFor(150);
    EXPECT_EQ(received.size(), 1u);
    watcher.Follow(false);
    ASSERT_TRUE(RunUntil([&] { return received.size() == 2; }, 2000));

    current = other;  // a reload bound a new socket
    watcher.Follow(false);
    EXPECT_EQ(watcher.Watched(), other);
    SendTo(other, "<COT000>");
    ASSERT_TRUE(RunUntil([&] { return received.size() == 3; }, 2000));
    EXPECT_THAT(received, ElementsAre("<COA100>", "<COC000>", "<COT000>"));

    current = -1;  // no socket at all
    watcher.Follow(false);
    EXPECT_EQ(watcher.Watched(), -1);
    EXPECT_FALSE(watcher.Reading());
}

}  // namespace
}  // namespace nodrel::testing::desktop

namespace nodrel::testing::desktop {
namespace {

TEST(QtLauncher, OpenFileHandsThePathToTheOpenerWithoutWaiting) {
    ScratchFolder folder;
    const auto opener = folder.Path() / "opener";
    const auto seen = folder.Path() / "seen.txt";
    {
        std::ofstream script(opener);
        script << "#!/bin/sh\nsleep 0.2\nprintf '%s' \"$1\" > '" << seen.string() << "'\n";
    }
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    QtLauncher launcher;
    launcher.opener = QString::fromStdString(opener.string());
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(launcher.OpenFile("Log/Nodrel.log"));
    EXPECT_LT(clock.elapsed(), 150) << "not waited for";
    ASSERT_TRUE(RunUntil([&] { return std::filesystem::exists(seen); }, 5000));
    RunFor(50);
    std::ifstream in(seen);
    std::string argument((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(argument, "Log/Nodrel.log");

    launcher.opener = QString::fromStdString((folder.Path() / "missing").string());
    EXPECT_FALSE(launcher.OpenFile("Log/Nodrel.log")) << "no opener installed";
    EXPECT_FALSE(launcher.OpenUrl("not an address at all")) << "refused before any browser";
}

}  // namespace
}  // namespace nodrel::testing::desktop
