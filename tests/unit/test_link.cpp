// The link between master and slave: the message check, the master's rhythm, the slave's
// counting of silent seconds, forwarded commands, and the receive port.
#include <gmock/gmock.h>

#include "fakes.h"

namespace nodrel::testing {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
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

// A slave with StartDelay 1 and CPUDelay 5 on port 10123, at level Full.
Overrides Slave(Overrides overrides = {}) {
    overrides.merge(Overrides{{"CMain", "2"}, {"IPAdd", "127.0.0.1"}, {"Port1", "10123"},
                              {"StartDelay", "1"}, {"CPUDelay", "5"}});
    return overrides;
}

TEST(Link, SlaveCountsSilentSecondsAndBadDatagramsAsSilence) {
    Rig rig;
    ASSERT_TRUE(rig.Start(Slave()));
    EXPECT_EQ(rig.link.bound, 10123);
    EXPECT_EQ(rig.link.closed, 1) << "closed before every bind";
    rig.Seconds(1);
    rig.program.udpServ_DataArrival("<C0A000>");
    EXPECT_EQ(rig.Window().Counter, (LabelState{"Connection Error", Orange, ButtonFace, true}));
    EXPECT_EQ(rig.program.CommsText, "Error");
    rig.Seconds(2);
    EXPECT_EQ(rig.Window().Counter, (LabelState{"Not connected for the last 2s", Orange,
                                                ButtonFace, true}))
        << "a lone bad datagram is no sign of life";
    EXPECT_EQ(rig.program.CommsText, "Fail");
    EXPECT_THAT(rig.folder.ReadLog(), HasSubstr("Count:   2, Comms: Fail"));
    for (int second = 0; second < 8; ++second) {
        rig.program.udpServ_DataArrival("<COA100>");  // its partner half a second later was lost
        rig.Seconds(1);
        ASSERT_EQ(rig.program.Count, 0);
        EXPECT_EQ(rig.Window().Counter, (LabelState{"Connected", Green, ButtonFace, true}));
    }
    EXPECT_THAT(rig.folder.ReadLog(), HasSubstr("Count:   0, Comms: -OK-"));
    for (int second = 1; second < 5; ++second) {
        rig.Seconds(1);
        EXPECT_EQ(rig.Window().Counter.caption,
                  "Not connected for the last " + std::to_string(second) + "s");
    }
    rig.Seconds(1);
    EXPECT_EQ(rig.program.Phase, PhaseCountdown);
    EXPECT_THAT(rig.link.sent, IsEmpty()) << "a slave never sends";
}

TEST(Link, JunkFloodCannotSilenceALiveMaster) {
    Rig rig;
    ASSERT_TRUE(rig.Start(Slave()));
    rig.Seconds(1);
    for (int second = 0; second < 20; ++second) {
        for (const char* junk : {"junk datagram", "<C0A000>"}) {
            rig.program.udpServ_DataArrival("<COA100>");
            for (int i = 0; i < 50; ++i) rig.program.udpServ_DataArrival(junk);
            rig.program.tmrRefresh_Timer();
        }
        ASSERT_EQ(rig.program.Count, 0) << "second " << second;
    }
    EXPECT_EQ(rig.program.Phase, PhaseRun);
}

TEST(Link, ForwardedResetAndTestRunAsIfPressedThenAReloadToMasterKeepsTheBinding) {
    Rig rig;
    ASSERT_TRUE(rig.Start(Slave({{"LogLevel", "2"}})));
    rig.Seconds(3);
    rig.program.udpServ_DataArrival("<COC000>");
    EXPECT_EQ(rig.program.Phase, PhaseInitialise);
    EXPECT_THAT(rig.folder.LogEvents(), ElementsAre("Start|Initialise", "Enter|Run", "Reset|Run",
                                                    "Start|Initialise"));
    rig.program.udpServ_DataArrival("<COT000>");
    EXPECT_TRUE(rig.program.TestMode);
    EXPECT_EQ(rig.Window().caption, "Nodrel Slave - Test Mode");
    EXPECT_THAT(rig.link.sent, IsEmpty()) << "a slave forwards nothing";
    rig.folder.WriteConfig(ConfigText({{"StartDelay", "1"}, {"IPAdd", "192.168.1.20"}}));
    rig.program.ReloadSettings();
    EXPECT_EQ(rig.link.closed, 1);
    EXPECT_EQ(rig.Window().caption, "Nodrel");
}

TEST(Link, PortInUseAsksAndEndsOnYesOrWaitsForConfiguration) {
    for (const int answer : {box::AnswerYes, box::AnswerNo}) {
        Rig rig;
        rig.link.bindWorks = false;
        rig.effects.answer = answer;
        rig.Start(Slave({{"Port1", "10001"}}));
        EXPECT_THAT(rig.effects.messages,
                    ElementsAre(ShownMessage{
                        box::CriticalYesNo, "Nodrel Slave Port Error",
                        "The RX Port 10001 Is Already In Use\r\nThis Error Must Be Resolved "
                        "Before\r\nYou Can Use Nodrel.\r\nUse The Configuration Screen\r\nTo "
                        "Change The RX Port.\r\nDo You Want To End The Program?"}));
        if (answer == box::AnswerYes) {
            EXPECT_EQ(rig.effects.ended, 1);
            continue;
        }
        EXPECT_TRUE(rig.program.PortError);
        EXPECT_EQ(rig.Window().Title.caption, "Click Configure To Set Up Nodrel Slave");
        rig.Seconds(4);
        EXPECT_EQ(rig.program.Phase, PhaseInitialise);
        EXPECT_THAT(rig.folder.LogEvents(), IsEmpty()) << "no Start line with the port in error";
    }
}

TEST(Link, MasterSendsTwiceASecondFromTheLastActivationSecondAndRetriesACommand) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "3"}, {"CPUDelay", "60"}, {"IPAdd", "192.168.1.20"},
                           {"Port1", "10777"}}));
    rig.Seconds(1);
    rig.program.tmrRefresh_Timer();
    EXPECT_THAT(rig.link.sent, IsEmpty());
    rig.program.tmrRefresh_Timer();  // the work tick that leaves one activation second
    EXPECT_THAT(rig.link.sent, ElementsAre("<C0A000>"));
    EXPECT_EQ(rig.link.lastHost + ":" + std::to_string(rig.link.lastPort), "192.168.1.20:10777");
    rig.Seconds(4);
    EXPECT_EQ(rig.link.sent.size(), 1u + 8u);
    EXPECT_THAT(std::vector(rig.link.sent.begin() + 1, rig.link.sent.end()),
                Each(std::string("<COA100>")));
    rig.program.udpServ_DataArrival("<COC000>");
    rig.program.udpServ_DataArrival("junk");
    EXPECT_EQ(rig.program.Phase, PhaseRun);
    EXPECT_NE(rig.Window().Counter.caption, "Connection Error");
    rig.program.DialogOpen = true;  // an open dialog holds the cycle, not the link
    rig.program.DialogTimeout = 30;
    rig.Seconds(1);
    EXPECT_EQ(rig.link.sent.size(), 11u);
    rig.program.DialogOpen = false;
    rig.link.sendWorks = false;  // a failed send keeps the command pending
    rig.program.TestS_Click();
    rig.Seconds(2);
    EXPECT_EQ(rig.program.SendMsg, "<COT000>");
    rig.link.sendWorks = true;
    rig.Seconds(1);
    EXPECT_EQ(rig.link.sent.at(11), "<COT000>");
    EXPECT_EQ(rig.program.SendMsg, "<COA100>");
}

TEST(Link, MasterIsSilentDuringItsCountdownAndSendsTheResetAtOnce) {
    Rig rig;
    ASSERT_TRUE(rig.Start({{"StartDelay", "1"}, {"CPUDelay", "5"}}));
    rig.Seconds(6);
    ASSERT_EQ(rig.program.Phase, PhaseCountdown);
    const auto sentBefore = rig.link.sent.size();
    rig.Seconds(3);
    EXPECT_EQ(rig.link.sent.size(), sentBefore);
    rig.program.Reset_Click();
    EXPECT_EQ(rig.link.sent.back(), "<COC000>");
}

}  // namespace
}  // namespace nodrel::testing
