// The configuration window's decisions over a program started from a scratch folder: what
// its rows show, what Save, Restore and View Log do. Drawing them is the front ends' part.
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "fakes.h"
#include "ui/config_window.h"

namespace nodrel::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Names = std::vector<std::string>;
const std::string kNotSaved = "Item(s) Highlighted Contain Out Of Range Values - Changes Not Saved";

std::size_t RowOf(std::string_view input) {
    const auto row = std::find_if(kConfigRows.begin(), kConfigRows.end(),
                                  [&](const ConfigRow& r) { return r.input == input; });
    EXPECT_NE(row, kConfigRows.end()) << input;
    return static_cast<std::size_t>(row - kConfigRows.begin());
}

struct WindowRig : Rig {
    std::optional<ConfigWindow> window;

    explicit WindowRig(const Overrides& overrides = {}, const char* commandLine = "") {
        EXPECT_TRUE(Start(overrides, commandLine));
    }
    ConfigWindow& Open() {
        window.emplace(program.ConfigOpened(), true);
        window->Load();
        return *window;
    }
    ConfigFields& Fields() { return window->Fields(); }
    const RowLook& Look(std::string_view input) const { return window->Look(RowOf(input)); }
    Names Marked() const {
        Names marked;
        for (std::size_t i = 0; i < kConfigRows.size(); ++i) {
            if (window->Look(i).marked) marked.emplace_back(kConfigRows[i].noteName);
        }
        std::sort(marked.begin(), marked.end());
        return marked;
    }
    void Save() { program.ConfigSave(*window); }
    std::string FileText() const { return ReadBytes(folder.Path() / "Data" / "Nodrel4.ini"); }
};

// A failed write shows its box, reloads the fields and runs on. Save marks what fails and
// writes nothing; ticking Domain Name keeps the text and the status and drops the marks.
TEST(ConfigWindowModel, SaveRefusesAFailedWriteOrFailedChecksAndDomainNameDropsTheMarks) {
    WindowRig rig({{"ShutType", "4"}, {"IPAdd", "10.0.0.9"}});
    fs::permissions("Data/Nodrel4.ini", fs::perms(0444));  // write-protected, also for root
    rig.Open().Fields().CPUDelayT = "40";
    rig.Save();
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_EQ(rig.effects.messages[0].title, "Nodrel Configuration File Error");
    EXPECT_EQ(rig.Fields().CPUDelayT, "5");
    EXPECT_EQ(rig.window->Status(), "");
    EXPECT_FALSE(rig.State().SettingsSaved || rig.program.EndStatus());
    fs::permissions("Data/Nodrel4.ini", fs::perms(0644));
    rig.Fields().CPUDelayT = "40";
    rig.Save();
    rig.Open();
    EXPECT_TRUE(rig.State().SettingsSaved) << "a save not yet applied stays pending";
    const std::string before = rig.FileText();
    rig.Fields().AvTimeT = "31";
    rig.Fields().IPAddT = "";
    rig.Save();
    EXPECT_EQ(rig.Marked(), (Names{"AvTimeM", "IPAddM", "ShutTypeM"}));
    EXPECT_EQ(rig.window->Status(), kNotSaved);
    EXPECT_EQ(rig.Look("IPAddT").note, "Must Be A Valid IP Address");
    EXPECT_EQ(rig.FileText(), before);
    rig.window->TakeStatusTimerStart();
    rig.Fields().IPAddT = "partner";
    rig.Fields().DNameT = 1;
    rig.window->DomainNameClicked();
    EXPECT_EQ(rig.Fields().IPAddT, "partner");
    EXPECT_EQ(rig.Look("IPAddT").caption, "Domain Name");
    EXPECT_EQ(rig.window->Status(), kNotSaved);
    EXPECT_FALSE(rig.window->TakeStatusTimerStart()) << "the status is left alone";
    EXPECT_EQ(rig.Look("IPAddT").note, "(Either empty or a valid domain name)");
    EXPECT_EQ(rig.Look("ShutNameT").note, "(Only Use With A Valid Domain Name)");
    EXPECT_EQ(rig.Marked(), Names{});
    for (const auto& [action, note] :
         {std::pair("Reboot", "(Forces Running Applications To Close)"), {"Hibernate", ""}}) {
        rig.Fields().ShutNameT = action;
        rig.window->ShutNameClicked();
        EXPECT_EQ(rig.Look("ShutNameT").note, note);
    }
}

// A slave whose port is taken, answered No, waits for its configuration: Test does nothing
// and nothing is logged. The port's note is marked at opening only, a Save leaves the error
// to the next bind, and Close binds again without a save: only a bind that works clears the
// error (also while the box is up); after a port change, of the new port.
TEST(ConfigWindowModel, TheSlaveLayoutAndAPortErrorLeftToTheNextBind) {
    WindowRig rig({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}});
    rig.link.bindWorks = false;
    rig.effects.answer = box::kAnswerNo;
    rig.program.ReloadSettings();
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_EQ(rig.effects.messages[0].style, box::kCriticalYesNo);
    EXPECT_THAT(rig.effects.messages[0].text, HasSubstr("The RX Port 10001 Is Already In Use"));
    EXPECT_FALSE(rig.effects.ended);
    EXPECT_EQ(rig.Window().Title.caption, "Click Configure To Set Up Nodrel Slave");
    rig.program.TestS_Click();
    EXPECT_FALSE(rig.State().TestMode);
    const auto logged = rig.folder.LogEvents();
    rig.Seconds(4);
    EXPECT_EQ(rig.State().Phase, PhaseInitialise);
    EXPECT_EQ(rig.folder.LogEvents(), logged) << "no Start line with the port in error";

    EXPECT_EQ(rig.Open().Caption(), "Configure Nodrel Slave");
    EXPECT_EQ(rig.Marked(), Names{"Port1M"});
    rig.Save();
    EXPECT_EQ(rig.window->Status(), "No Changes To Save");
    EXPECT_EQ(rig.Marked(), Names{});
    EXPECT_TRUE(rig.Look("AvTimeT").locked && rig.Look("AvTimeT").tip == "Not used in Slave mode");
    EXPECT_FALSE(rig.Look("CPUDelayT").locked);
    rig.Fields().ShutNameT = "Monitor";
    rig.window->ShutNameClicked();
    EXPECT_EQ(rig.Look("CPUDelayT").caption, "Lost Comms Delay");
    EXPECT_EQ(rig.Look("IPAddT").note, "(A valid IP address)");
    EXPECT_EQ(rig.Look("ShutNameT").note, "Not Available In Slave Mode");
    std::vector<bool> errorWhileAsking;
    rig.effects.whileShown = [&] { errorWhileAsking.push_back(rig.State().PortError); };
    rig.program.ConfigClosed();
    EXPECT_EQ(rig.link.bound, 10001);
    EXPECT_THAT(errorWhileAsking, ElementsAre(true));
    EXPECT_TRUE(rig.State().PortError);

    rig.folder.WriteConfig(ConfigText({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}, {"Port1", "10002"}}));
    rig.link.bindWorks = true;
    rig.program.ConfigOpened();
    rig.program.ConfigClosed();
    EXPECT_EQ(rig.link.bound, 10002);
    EXPECT_EQ(rig.effects.messages.size(), 2u);
    rig.Seconds(2);
    EXPECT_EQ(rig.State().Phase, PhaseRun);
}

// Save with nothing changed, after Restore (which keeps the partner), and once more.
TEST(ConfigWindowModel, SaveWritesOnlyWhatChangedAndRestoreKeepsThePartner) {
    WindowRig rig({{"IPAdd", "10.0.0.9"}, {"CPUDelay", "7"}});
    rig.program.Form_Resize(true);  // the user's choice against StartMin
    rig.Open();
    const std::string before = rig.FileText();
    rig.Save();
    EXPECT_EQ(rig.window->Status(), "No Changes To Save");
    EXPECT_TRUE(rig.State().WindowOverride && !rig.State().SettingsSaved);
    rig.window->Restore();
    EXPECT_EQ(rig.window->Status(), "Defaults Restored - Click Save To Keep");
    EXPECT_EQ(rig.Fields().CPUDelayT, "60");
    EXPECT_EQ(rig.Fields().IPAddT, "10.0.0.9");
    EXPECT_EQ(rig.FileText(), before);
    rig.Save();
    EXPECT_EQ(rig.window->Status(), "Changes Saved - Click Close To Activate The Changes");
    EXPECT_NE(rig.FileText().find("CPUDelay=60\r\n"), std::string::npos);
    EXPECT_TRUE(rig.State().SettingsSaved);
    EXPECT_FALSE(rig.State().WindowOverride) << "StartMin changed";
    EXPECT_EQ(rig.State().settings.CPUDelay, 7) << "running on until Close";
    rig.Save();  // the save is the new reference
    EXPECT_EQ(rig.window->Status(), "No Changes To Save");
}

// The window opens with the file's values, under "-InhibitShutdown" its delays rather than
// the running cycle's 6 s, and the failed checks counted. A text that is not UTF-8 is shown
// as well as it can be and written back byte for byte until it is edited. (No log: Windows
// opens no file by a name that is not UTF-8.)
TEST(ConfigWindowModel, OpensWithTheFileValuesAndFailedChecksAndKeepsTextsThatAreNotUtf8) {
    const std::string latin1Name = "K\xF6ln-01.log";
    const Overrides file{{"CPUDelay", "1200"},
                         {"ShutTime", "300"},
                         {"LogName", latin1Name},
                         {"LogLevel", "1"},
                         {"LogPath", "Gone/"}};
    WindowRig rig(file, "-InhibitShutdown");
    EXPECT_EQ(rig.Open().Caption(), "Configure Nodrel");
    EXPECT_EQ(rig.Fields().CPUDelayT + "|" + rig.Fields().ShutTimeT, "1200|300");
    EXPECT_EQ(rig.Fields().LogNameT, "Köln-01.log");
    EXPECT_EQ(rig.Look("IPAddT").note, "(Either empty or a valid IP address)");
    EXPECT_EQ(rig.window->Status(), "1 Item(s) Highlighted Contain Out Of Range Values");
    EXPECT_EQ(rig.Marked(), Names{"LogPathM"});
    EXPECT_TRUE(rig.window->TakeStatusTimerStart());
    const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
    EXPECT_EQ(rig.Look("LogPathT").note,
              "(Must exist and be between 1 and 99 characters plus '" + separator + "')");
    fs::create_directory("Gone");
    rig.Save();
    EXPECT_EQ(rig.window->Status(), "No Changes To Save");
    rig.Fields().CPULevelT = "25";
    rig.Save();
    for (const std::string& line : Names{"CPUDelay=1200\r\n", "ShutTime=300\r\n", "CPULevel=25\r\n",
                                         "\r\nLogName=" + latin1Name + "\r\n"}) {
        EXPECT_NE(rig.FileText().find(line), std::string::npos) << line;
    }
    EXPECT_EQ(rig.State().settings.CPUDelay, 6) << "the running cycle keeps its 6 s";
}

// View Log follows the log the program runs with: the viewer on the file, or the box that
// says why not (naming the viewer the launcher starts); a log that is gone ends the program.
TEST(ConfigWindowModel, ViewLogOpensTheLogOrSaysWhyNot) {
    const struct {
        Overrides overrides;
        const char* removed;
        bool viewerStarts, opened, ends;
        std::string box;  // its title, if one is shown
    } cases[] = {
        {{}, nullptr, true, true, false, ""},
        {{}, nullptr, false, true, false, "Nodrel Log File Error"},
        {{{"LogLevel", "1"}}, nullptr, true, false, false, "Nodrel Log File Error"},
        {{}, "Log/Nodrel.log", true, false, true, "Nodrel Log File Error"},
        {{}, "Log", true, false, true, "Nodrel Log Directory Error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box + (c.removed ? c.removed : "") + (c.viewerStarts ? "" : " no viewer"));
        WindowRig rig(c.overrides);
        rig.launcher.works = c.viewerStarts;
        rig.Open();
        if (c.removed) fs::remove_all(c.removed);
        const std::string log = c.opened ? fs::canonical("Log/Nodrel.log").string() : "";
        rig.program.ConfigViewLog(*rig.window);
        EXPECT_EQ(rig.launcher.files, c.opened ? Names{log} : Names{});
        EXPECT_EQ(rig.effects.messages.empty() ? "" : rig.effects.messages.back().title, c.box);
        EXPECT_EQ(rig.program.EndStatus().has_value(), c.ends);
        if (c.opened && !c.viewerStarts) {
            EXPECT_EQ(rig.effects.messages.back().text,
                      JoinLines({"No viewer could be started for the log file", log + ".",
                                 "The program viewer", "is needed to open it from here."}));
        }
    }
}

}  // namespace
}  // namespace nodrel::testing
