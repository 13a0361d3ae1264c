// The link between master and slave: the message check, the master's rhythm, the slave's
// counting of silent seconds, forwarded commands, and the receive port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(LinkMessage, LengthFieldMarksAndCaseDecide) {
    const std::pair<const char*, bool> cases[] = {
        {"<COA100>", true},   {"<COC000>", true},   {"<COT000>", true},
        {"<COA101x>", true},  {"<COX999>", false},  {"<COA1000>", false},
        {"<coa100>", false},  {"<C0A000>", false},  {"<LOC000>", false},
        {"<COA1a0>", false},  {"<COA100", false},   {"", false},
        {"<CO>", false},      {"<COA100>>", false}, {"<COA1-1>", false},
    };
    for (const auto& [text, valid] : cases) EXPECT_EQ(IsValidLinkMessage(text), valid) << text;
}

class Link : public ::testing::Test {
protected:
    void Start(Overrides overrides) {
        overrides.emplace("StartDelay", "1");
        overrides.emplace("CPUDelay", "5");
        overrides.emplace("LogLevel", "3");
        folder.WriteConfig(ConfigText(overrides));
        rig.program.Form_Load("");
        ASSERT_FALSE(rig.effects.ended);
    }
    void StartSlave(Overrides overrides = {}) {
        overrides.emplace("CMain", "2");
        overrides.emplace("IPAdd", "127.0.0.1");
        overrides.emplace("Port1", "10123");
        Start(overrides);
    }
    void Tick() { rig.program.tmrRefresh_Timer(); }
    void Arrive(std::string_view datagram) { rig.program.udpServ_DataArrival(datagram); }
    const MainWindow& Window() const { return rig.program.Window(); }

    ScratchFolder folder;
    Rig rig;
};

TEST_F(Link, SlaveBindsItsPortAndNeverSends) {
    StartSlave();
    EXPECT_EQ(rig.link.bound, 10123);
    EXPECT_EQ(rig.link.closed, 1) << "closed before every bind";
    rig.Seconds(8);
    EXPECT_THAT(rig.link.sent, IsEmpty());
}

TEST_F(Link, SlaveStaysConnectedWithOneMessageASecond) {
    StartSlave();
    rig.Seconds(1);
    for (int second = 0; second < 10; ++second) {
        Arrive("<COA100>");  // its partner half a second later was lost
        rig.Seconds(1);
        EXPECT_EQ(Window().Counter.caption, "Connected");
    }
    EXPECT_EQ(rig.program.Phase, PhaseRun);
    EXPECT_EQ(Window().Counter.fore, Green);
    EXPECT_NE(folder.ReadLog().find("Count:   0, Comms: -OK-"), std::string::npos);
}

TEST_F(Link, SilenceStartsTheSlavesCountdown) {
    StartSlave();
    rig.Seconds(1);
    for (int second = 1; second < 5; ++second) {
        rig.Seconds(1);
        EXPECT_EQ(Window().Counter.caption,
                  "Not connected for the last " + std::to_string(second) + "s");
    }
    rig.Seconds(1);
    EXPECT_EQ(rig.program.Phase, PhaseCountdown);
}

TEST_F(Link, BadDatagramShowsAConnectionErrorAndCountsAsSilenceAlone) {
    StartSlave();
    rig.Seconds(1);
    Arrive("<C0A000>");
    EXPECT_EQ(Window().Counter, (LabelState{"Connection Error", Orange, ButtonFace, true}));
    EXPECT_EQ(rig.program.CommsText, "Error");
    rig.Seconds(1);
    EXPECT_EQ(rig.program.Count, 1) << "a lone bad datagram is no sign of life";
    Arrive("<COA100>");
    rig.Seconds(1);
    EXPECT_EQ(Window().Counter.caption, "Connected");
}

TEST_F(Link, JunkFloodCannotSilenceALiveMaster) {
    StartSlave();
    rig.Seconds(1);
    for (int second = 0; second < 20; ++second) {
        Arrive("<COA100>");
        for (int junk = 0; junk < 50; ++junk) Arrive("junk datagram");
        Tick();
        Arrive("<COA100>");
        for (int junk = 0; junk < 50; ++junk) Arrive("<C0A000>");
        Tick();
        ASSERT_EQ(rig.program.Count, 0) << "second " << second;
    }
    EXPECT_EQ(rig.program.Phase, PhaseRun);
}

TEST_F(Link, ForwardedResetAndTestRunAsIfPressed) {
    StartSlave({{"LogLevel", "2"}});
    rig.Seconds(3);
    Arrive("<COC000>");
    EXPECT_EQ(rig.program.Phase, PhaseInitialise);
    EXPECT_EQ(folder.LogEvents().back(), "Start|Initialise");
    Arrive("<COT000>");
    EXPECT_TRUE(rig.program.TestMode);
    EXPECT_EQ(Window().caption, "Nodrel Slave - Test Mode");
    EXPECT_THAT(rig.link.sent, IsEmpty()) << "a slave forwards nothing";
}

TEST_F(Link, UnconfiguredSlaveIgnoresTestButCountsTheMessage) {
    StartSlave({{"ShutType", "4"}});
    ASSERT_TRUE(rig.program.Unconfigured);
    Arrive("<COT000>");
    EXPECT_FALSE(rig.program.TestMode);
    EXPECT_EQ(rig.program.ConditionMet, 0);
    EXPECT_EQ(rig.program.CommsText, "-OK-");
}

TEST_F(Link, PortInUseAskedAndEndedOnYes) {
    rig.link.bindWorks = false;
    rig.effects.answer = box::AnswerYes;
    folder.WriteConfig(ConfigText({{"CMain", "2"}, {"IPAdd", "127.0.0.1"}, {"Port1", "10001"}}));
    rig.program.Form_Load("");
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_EQ(rig.effects.messages[0].style, box::CriticalYesNo);
    EXPECT_EQ(rig.effects.messages[0].title, "Nodrel Slave Port Error");
    EXPECT_EQ(rig.effects.messages[0].text,
              "The RX Port 10001 Is Already In Use\r\nThis Error Must Be Resolved Before\r\n"
              "You Can Use Nodrel.\r\nUse The Configuration Screen\r\nTo Change The RX Port.\r\n"
              "Do You Want To End The Program?");
    EXPECT_EQ(rig.effects.ended, 1);
}

TEST_F(Link, PortInUseAnsweredNoWaitsForConfiguration) {
    rig.link.bindWorks = false;
    rig.effects.answer = box::AnswerNo;
    StartSlave();
    EXPECT_TRUE(rig.program.PortError);
    EXPECT_EQ(Window().Title.caption, "Click Configure To Set Up Nodrel Slave");
    rig.Seconds(4);
    EXPECT_EQ(rig.program.Phase, PhaseInitialise);
    EXPECT_THAT(folder.LogEvents(), IsEmpty()) << "no Start line while the port is in error";
}

TEST_F(Link, SlaveTurnedMasterKeepsItsBinding) {
    StartSlave();
    folder.WriteConfig(ConfigText({{"StartDelay", "1"}, {"IPAdd", "192.168.1.20"}}));
    rig.program.ReloadSettings();
    EXPECT_EQ(rig.link.closed, 1);
    EXPECT_EQ(rig.program.ProgTitle, "Nodrel");
}

TEST_F(Link, MasterSendsTwiceASecondFromTheLastActivationSecond) {
    Start({{"StartDelay", "3"}, {"CPUDelay", "60"}, {"IPAdd", "192.168.1.20"},
           {"Port1", "10777"}});
    rig.Seconds(1);
    EXPECT_THAT(rig.link.sent, IsEmpty());
    Tick();
    EXPECT_THAT(rig.link.sent, IsEmpty());
    Tick();  // the work tick that leaves one activation second
    EXPECT_THAT(rig.link.sent, ElementsAre("<C0A000>"));
    EXPECT_EQ(rig.link.lastHost, "192.168.1.20");
    EXPECT_EQ(rig.link.lastPort, 10777);
    rig.Seconds(4);
    EXPECT_EQ(rig.link.sent.size(), 1u + 8u);
    EXPECT_THAT(std::vector<std::string>(rig.link.sent.begin() + 1, rig.link.sent.end()),
                Each(std::string("<COA100>")));
}

TEST_F(Link, MasterIsSilentDuringItsCountdownAndSendsWithADialogOpen) {
    Start({{"ShutTime", "10"}});
    rig.Seconds(6);
    ASSERT_EQ(rig.program.Phase, PhaseCountdown);
    const auto sentBefore = rig.link.sent.size();
    rig.Seconds(3);
    EXPECT_EQ(rig.link.sent.size(), sentBefore);
    rig.program.Reset_Click();
    EXPECT_EQ(rig.link.sent.back(), "<COC000>") << "sent at once";
    rig.program.DialogOpen = true;
    rig.program.DialogTimeout = 30;
    rig.Seconds(3);
    EXPECT_EQ(rig.program.Phase, PhaseInitialise) << "the dialog holds the cycle";
    rig.program.Phase = PhaseRun;  // as if the dialog had opened during monitoring
    const auto sentWithDialog = rig.link.sent.size();
    rig.Seconds(1);
    EXPECT_EQ(rig.link.sent.size(), sentWithDialog + 2);
}

TEST_F(Link, FailedSendKeepsTheCommandPending) {
    Start({{"CPUDelay", "60"}, {"DName", "2"}, {"IPAdd", "partner.invalid"}});
    rig.Seconds(3);
    rig.link.sendWorks = false;
    rig.program.TestS_Click();
    EXPECT_EQ(rig.program.SendMsg, "<COT000>");
    rig.Seconds(2);
    EXPECT_EQ(rig.program.SendMsg, "<COT000>");
    rig.link.sendWorks = true;
    rig.Seconds(1);
    ASSERT_FALSE(rig.link.sent.empty());
    EXPECT_THAT(rig.link.sent, Contains("<COT000>"));
    EXPECT_EQ(rig.program.SendMsg, "<COA100>");
}

TEST_F(Link, MasterIgnoresWhatArrives) {
    Start({{"CPUDelay", "60"}});
    rig.Seconds(2);
    Arrive("<COC000>");
    Arrive("junk");
    EXPECT_EQ(rig.program.Phase, PhaseRun);
    EXPECT_NE(Window().Counter.caption, "Connection Error");
}

}  // namespace
}  // namespace nodrel::testing
