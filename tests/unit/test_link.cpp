// The master-slave link, and the Linux socket on loopback.
#include <gmock/gmock.h>

#include "fakes.h"
#include "link/link_protocol.h"
#include "link/partner_address.h"
#ifndef _WIN32
#include <arpa/inet.h>
#include <poll.h>

#include "platform/linux/udp_link.h"
#endif

namespace nodrel::testing {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A message starts with "<CO" and ends with '>'; its sixth and seventh characters count the
// characters beyond the first eight.
TEST(LinkMessage, LengthFieldMarksAndCaseDecide) {
    const std::pair<const char*, bool> cases[] = {
        {"<COA100>", true},  {"<COC000>", true},   {"<COT000>", true},  {"<COA101x>", true},
        {"<COX999>", false}, {"<COA1000>", false}, {"<coa100>", false}, {"<C0A000>", false},
        {"<COA1a0>", false}, {"<COA100", false},   {"", false},         {"<COA100>>", false}};
    for (const auto& [text, valid] : cases) EXPECT_EQ(IsValidLinkMessage(text), valid) << text;
}

Overrides Slave(Overrides overrides = {}) {
    overrides.merge(Overrides{{"CMain", "2"},
                              {"IPAdd", "127.0.0.1"},
                              {"Port1", "10123"},
                              {"StartDelay", "1"},
                              {"CPUDelay", "5"}});
    return overrides;
}

// A bad datagram shows an error but counts as silence; one good message a second is life,
// and each silent second after it counts again, up to the countdown.
TEST(Link, SlaveCountsSilentSecondsAndBadDatagramsAsSilence) {
    Rig rig;
    ASSERT_TRUE(rig.Start(Slave()));
    EXPECT_EQ(rig.link.bound, 10123);
    EXPECT_EQ(rig.link.closed, 1) << "closed before every bind";
    rig.Seconds(1);
    rig.program.udpServ_DataArrival("<C0A000>");
    EXPECT_EQ(rig.Window().Counter, (LabelState{"Connection Error", kOrange, kButtonFace, true}));
    rig.Seconds(2);
    EXPECT_EQ(rig.Window().Counter.caption, "Not connected for the last 2s");
    EXPECT_EQ(rig.State().CommsText, "Fail");
    for (int second = 0; second < 3; ++second) {
        rig.program.udpServ_DataArrival("<COA100>");  // its partner half a second later was lost
        rig.Seconds(1);
        ASSERT_EQ(rig.State().Count, 0);
        EXPECT_EQ(rig.Window().Counter, (LabelState{"Connected", kGreen, kButtonFace, true}));
    }
    rig.Seconds(2);
    EXPECT_EQ(rig.Window().Counter.caption, "Not connected for the last 2s") << "quiet again";
    rig.Seconds(3);  // a countdown, which can be cancelled and names the silence
    EXPECT_TRUE(rig.Window().Reset.enabled && rig.Window().Reset.caption == "Cancel");
    EXPECT_THAT(rig.notice.texts,
                ElementsAre("Nodrel: this computer will power off in 10 s (no word from the "
                            "master for 5 s). To cancel: sudo systemctl kill -s USR1 nodreld."));
}

// With nobody to ask (a console) a taken port holds the cycle and is bound again every
// 10 s, logged once; the slave starts as soon as a bind works.
TEST(Link, PortInUseWithNobodyToAskIsBoundAgainEveryTenSeconds) {
    Rig rig;
    rig.effects.canAsk = false;
    rig.link.bindWorks = false;
    ASSERT_TRUE(rig.Start(Slave({{"LogLevel", "2"}})));
    EXPECT_THAT(rig.effects.messages, IsEmpty());
    EXPECT_EQ(rig.Window().Counter.caption, "waiting for UDP port 10123");
    rig.program.ReloadSettings();
    rig.Seconds(9);
    EXPECT_EQ(rig.link.closed, 2) << "bound at the start and the reload only";
    rig.Seconds(1);
    EXPECT_EQ(rig.link.closed, 3);
    rig.link.bindWorks = true;
    rig.Seconds(10);
    EXPECT_EQ(rig.link.closed, 4);
    EXPECT_EQ(rig.Window().Counter.caption, "Program Activation In 1s");
    rig.Seconds(1);
    EXPECT_EQ(rig.State().Phase, PhaseRun);
    EXPECT_THAT(rig.folder.LogEvents(), ElementsAre("PortError|Port 10123", "Config|Updated",
                                                    "Start|Initialise", "Enter|Run"));
}

// A master that can send keeps its slave alive twice a second in every phase but its own
// real countdown: from its first tick, while a dialog holds the cycle, and through a test and
// its last box, under which ticks only send.
TEST(Link, MasterSendsInEveryPhaseButItsRealCountdown) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "3"}, {"IPAdd", "192.168.1.20"}, {"Port1", "10777"}}));
    rig.program.AboutOpened();
    rig.Seconds(1);
    EXPECT_THAT(rig.link.sent, ElementsAre("<C0A000>", "<COA100>"));
    EXPECT_EQ(rig.link.lastHost + ":" + std::to_string(rig.link.lastPort), "192.168.1.20:10777");
    rig.program.DialogClosed();
    std::vector<int> underBox;  // phase, count and sends after two seconds under the box
    rig.effects.whileShown = [&] {
        const auto before = rig.link.sent.size();
        rig.Seconds(2);
        underBox = {rig.State().Phase, rig.State().Count, int(rig.link.sent.size() - before)};
    };
    rig.program.TestS_Click();
    rig.Seconds(2 + 5);
    EXPECT_THAT(underBox, ElementsAre(PhaseInitialise, 3, 4)) << "restarted, held, sending";
    rig.Seconds(3 + 5);
    ASSERT_EQ(rig.State().Phase, PhaseCountdown);
    const auto sent = rig.link.sent.size();
    rig.Seconds(2);
    EXPECT_EQ(rig.link.sent.size(), sent) << "silent in its real countdown";
}

// Nothing is acknowledged: a forwarded command goes out on the master's next four sends (a
// failed one does not count), and its slave acts on the first of them as if pressed there,
// ignoring the same command for 3 s: one Reset restarts its cycle once, one Test starts one
// test. A slave forwards nothing, and reloaded as a master it keeps its socket bound.
TEST(Link, ACommandGoesOutFourTimesAndTheSlaveActsOnItOnce) {
    Rig master;
    ASSERT_TRUE(master.Start({{"StartDelay", "3"}}));
    master.program.Reset_Click();
    master.Seconds(2);
    master.link.sendWorks = false;
    master.program.TestS_Click();
    master.Seconds(1);
    master.link.sendWorks = true;
    master.Seconds(3);
    const std::string reset = "<COC000>", test = "<COT000>", alive = "<COA100>";
    ASSERT_THAT(master.link.sent, ElementsAre(reset, reset, reset, reset, alive, test, test, test,
                                              test, alive, alive));

    Rig slave;
    ASSERT_TRUE(slave.Start(Slave({{"LogLevel", "2"}})));
    for (const std::string& message : master.link.sent) {
        slave.program.udpServ_DataArrival(message);
        slave.program.tmrRefresh_Timer();
    }
    slave.program.udpServ_DataArrival(test);  // 3 s after the first Test: a new one
    slave.Seconds(2);
    slave.program.tmrRefresh_Timer();
    slave.program.udpServ_DataArrival(test);  // 2.5 s after that: a repeat
    EXPECT_THAT(slave.folder.LogEvents(),
                ElementsAre("Start|Initialise", "Reset|Initialise", "Start|Initialise", "Enter|Run",
                            "*Enter|Test", "*Start|Initialise", "*Enter|Run", "*Enter|Test",
                            "*Start|Initialise", "*Enter|Run"));
}

// A name service the test answers by hand: each look-up begun ends as `outcome` says.
struct HandLookup : NameLookup {
    bool Begin(const std::string& name) override { return begun.push_back(name), starts; }
    Outcome Poll() override { return outcome; }
    void Answer(std::optional<Ipv4Address> address) {
        outcome = address ? Outcome{State::Found, *address} : Outcome{State::Failed, {}};
    }
    std::vector<std::string> begun;
    Outcome outcome;  // Pending until answered
    bool starts = true;
};

// Asks for the partner's address on every tick, twice a second from second 0 on, and
// notes at which seconds a look-up began.
struct PartnerRig {
    HandLookup lookup;
    PartnerAddress partner{lookup};
    PartnerAddress::Time now{};
    std::vector<double> begunAt;

    // The addresses the ticks of so many seconds gave, each change once.
    std::vector<std::optional<Ipv4Address>> Ticks(double seconds, std::string name = "name") {
        std::vector<std::optional<Ipv4Address>> given;
        for (int tick = 0; tick < static_cast<int>(seconds * 2); ++tick) {
            const std::size_t before = lookup.begun.size();
            const auto address = partner.For(name, now);
            if (lookup.begun.size() != before) begunAt.push_back(Seconds());
            if (given.empty() || given.back() != address) given.push_back(address);
            now += std::chrono::milliseconds(500);
        }
        return given;
    }
    double Seconds() const { return std::chrono::duration<double>(now.time_since_epoch()).count(); }
};

constexpr Ipv4Address kFirst{192, 168, 1, 20}, kSecond{192, 168, 1, 21};
constexpr std::optional<Ipv4Address> kNone;

// Quads need no look-up; a name's last good address outlives failed look-ups, which are
// retried every few seconds; a found address is refreshed every ten. Another name drops the
// old one's address and begins at once, whatever is under way; a look-up that cannot even
// start is retried as a failed one.
TEST(PartnerAddress, KeepsTheLastGoodAddressThroughFailedLookUpsButNotForAnotherName) {
    PartnerRig rig;
    EXPECT_THAT(rig.Ticks(1, "127.000.000.010"), ElementsAre(Ipv4Address{127, 0, 0, 10}));
    EXPECT_THAT(rig.Ticks(1, ""), ElementsAre(kNone));
    EXPECT_THAT(rig.Ticks(3), ElementsAre(kNone)) << "nothing to send to while it is pending";
    rig.lookup.Answer(kFirst);
    EXPECT_THAT(rig.Ticks(10), ElementsAre(kFirst));
    rig.lookup.Answer(std::nullopt);  // the name service is down from second 15 on
    EXPECT_THAT(rig.Ticks(12), ElementsAre(kFirst));
    rig.lookup.Answer(kSecond);
    EXPECT_THAT(rig.Ticks(3), ElementsAre(kFirst, kSecond)) << "a new address once found";
    rig.lookup.outcome = {};  // the refresh at second 39.5 never ends
    EXPECT_THAT(rig.Ticks(15), ElementsAre(kSecond));
    rig.lookup.starts = false;
    EXPECT_THAT(rig.Ticks(4, "other"), ElementsAre(kNone));
    EXPECT_THAT(Last(rig.lookup.begun, 3), ElementsAre("name", "other", "other"));
    EXPECT_THAT(rig.begunAt, ElementsAre(2, 15, 18.5, 22, 25.5, 29, 39.5, 45, 48));
}

#ifndef _WIN32
// Datagrams go out to and come in on the port given, at most 64 per wake-up; Close frees
// the port.
TEST(UdpLink, CarriesDatagramsOnLoopbackAtMost64PerWakeUpAndClosingFreesThePort) {
    linux_platform::UdpLink receiver, sender, other;
    sockaddr_in address{};
    socklen_t size = sizeof address;
    do {  // until the port's two bytes differ, so that a swapped byte order shows
        ASSERT_TRUE(receiver.Bind(0));
        getsockname(receiver.Fd(), reinterpret_cast<sockaddr*>(&address), &size);
    } while ((address.sin_port >> 8) == (address.sin_port & 0xFF));
    const int port = ntohs(address.sin_port);
    EXPECT_FALSE(other.Bind(port)) << "the port is taken";
    for (int i = 0; i < 65; ++i) ASSERT_TRUE(sender.SendTo("127.0.0.1", port, "<COA100>"));
    std::vector<std::string> received;
    const auto wakeUp = [&] {
        pollfd waiting{receiver.Fd(), POLLIN, 0};
        poll(&waiting, 1, 1000);
        receiver.Receive([&](std::string_view datagram) { received.emplace_back(datagram); },
                         kDatagramsPerWakeUp);
    };
    wakeUp();
    EXPECT_EQ(received.size(), 64u);
    EXPECT_THAT(received, Each(std::string("<COA100>")));
    wakeUp();
    EXPECT_EQ(received.size(), 65u);
    receiver.Close();
    EXPECT_EQ(receiver.Fd(), -1);
    EXPECT_TRUE(other.Bind(port)) << "Close gave the port back";
}
#endif

}  // namespace
}  // namespace nodrel::testing
