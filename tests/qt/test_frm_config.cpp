// The configuration window over a program started from a scratch folder with the fakes. The
// rules of each field, the file's text and what Close does to the cycle are the core's, in
// tests/unit; here: that the window shows them and its buttons reach the program.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <filesystem>
#include <memory>

#include "desktop_rig.h"
#include "frontends/nodrel/frm_config.h"

namespace nodrel::testing::desktop {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Shows = std::vector<std::pair<const char*, std::string>>;
const std::string NotSaved = "Item(s) Highlighted Contain Out Of Range Values - Changes Not Saved";

struct ConfigRig : Fakes {
    RecordingEffects effects;
    Nodrel program{{effects, counters, clock, priority, &power, &link, "nodrel", &launcher}};
    std::unique_ptr<frmConfig> window;

    explicit ConfigRig(const Overrides& overrides = {}, const char* commandLine = "") {
        folder.WriteConfig(ConfigText(overrides));
        program.Form_Load(commandLine);
    }
    frmConfig& Open(bool isAdmin = true) {
        window = std::make_unique<frmConfig>(
            program, ConfigWindowOutside{effects, clock, &launcher, isAdmin});
        window->show();
        return *window;
    }
    template <class T = QWidget>
    T& Get(const char* name) const { return *window->findChild<T*>(name); }
    void Edit(const char* name, const char* text) const { Get<QLineEdit>(name).setText(text); }
    void Press(const char* button) const { Get<QPushButton>(button).click(); }
    // What a control shows: a list its item, a tick box "true" or "false", others their text.
    std::string Shown(const char* name) const {
        for (const char* property : {"currentText", "checked", "text"}) {
            const QVariant value = Get(name).property(property);
            if (value.isValid()) return value.toString().toStdString();
        }
        return "?";
    }
    void Expect(const Shows& shows) const {
        for (const auto& [name, text] : shows) EXPECT_EQ(Shown(name), text) << name;
    }
    // The notes (labels named ...M) in the marked look, orange and bold; "?note" for a half one.
    Names Marked() const {
        Names marked;
        for (QLabel* note : window->findChildren<QLabel*>(QRegularExpression("M$"))) {
            const bool orange = Fore(note) == OrangeColour, bold = note->font().bold();
            if (!orange && !bold && Fore(note) == QColor(0, 102, 0)) continue;
            marked.push_back((orange && bold ? "" : "?") + note->objectName().toStdString());
        }
        std::sort(marked.begin(), marked.end());
        return marked;
    }
    Names Titles() const {  // of the message boxes shown
        Names titles;
        for (const auto& m : effects.messages) titles.push_back(m.title);
        return titles;
    }
    std::string FileText() const { return ReadBytes(folder.Path() / "Data" / "Nodrel4.ini"); }
};

// The settings in their controls, the action's note, the logo; Save and Restore for
// administrators only.
TEST(ConfigWindow, OpensModalWithTheSettingsAndOnlyAnAdministratorMaySave) {
    ConfigRig rig({{"IPAdd", "10.0.0.9"}, {"AvTime", "7"}, {"LogLevel", "2"}, {"StartMin", "2"},
                   {"ShutType", "5"}});
    EXPECT_TRUE(rig.Open().isModal() && rig.program.DialogOpen);
    EXPECT_EQ(rig.window->windowTitle(), "Configure Nodrel");
    rig.Expect({{"AvTimeT", "7"}, {"IPAddT", "10.0.0.9"}, {"DNameT", "false"}, {"ShutTypeM", ""},
                {"LogLevelT", "Normal"}, {"ShutNameT", "Hibernate"}, {"StartMinT", "true"},
                {"IPAddM", "(Either empty or a valid IP address)"}});
    EXPECT_EQ(rig.Marked(), Names{});
    rig.Get<QComboBox>("ShutNameT").setCurrentText("Reboot");
    EXPECT_EQ(rig.Shown("ShutTypeM"), "(Forces Running Applications To Close)");
    Click(&rig.Get<QLabel>("Logo"));
    EXPECT_EQ(rig.launcher.urls, Names{HomePageAddress});
    EXPECT_TRUE(rig.Get("Save").isEnabled() && rig.Get("Restore").isEnabled());
    rig.Press("ExitConfig");
    rig.Open(false);
    EXPECT_FALSE(rig.Get("Save").isEnabled() || rig.Get("Restore").isEnabled());
    EXPECT_TRUE(rig.Get("ViewL").isEnabled());
}

// Failed checks marked at opening and on Save, which then writes nothing; ticking Domain Name
// keeps the text and the status and drops the marks.
TEST(ConfigWindow, FailedChecksAreMarkedSaveRefusesAndDomainNameDropsTheMarks) {
    ConfigRig opening({{"LogLevel", "1"}, {"LogPath", "Gone/"}});
    opening.Open();
    EXPECT_EQ(opening.Shown("Status"), "1 Item(s) Highlighted Contain Out Of Range Values");
    EXPECT_EQ(opening.Marked(), Names{"LogPathM"});

    ConfigRig rig({{"ShutType", "4"}, {"IPAdd", "10.0.0.9"}});
    rig.program.SettingsSaved = true;
    rig.Open();
    EXPECT_TRUE(rig.program.SettingsSaved) << "a save not yet applied stays pending";
    const std::string before = rig.FileText();
    rig.Edit("AvTimeT", "31");
    rig.Edit("IPAddT", "");
    rig.Press("Save");
    EXPECT_EQ(rig.Marked(), (Names{"AvTimeM", "IPAddM", "ShutTypeM"}));
    rig.Expect({{"Status", NotSaved}, {"IPAddM", "Must Be A Valid IP Address"}});
    EXPECT_EQ(rig.FileText(), before);
    rig.Edit("IPAddT", "partner");
    rig.Get<QCheckBox>("DNameT").click();
    rig.Expect({{"IPAddT", "partner"}, {"IPAddL", "Domain Name"}, {"Status", NotSaved},
                {"IPAddM", "(Either empty or a valid domain name)"},
                {"ShutTypeM", "(Only Use With A Valid Domain Name)"}});
    EXPECT_EQ(rig.Marked(), Names{});
}

TEST(ConfigWindow, TheSlaveLayout) {
    ConfigRig rig({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}});
    EXPECT_EQ(rig.Open().windowTitle(), "Configure Nodrel Slave");
    const QLineEdit& unused = rig.Get<QLineEdit>("AvTimeT");
    EXPECT_TRUE(unused.isReadOnly() && unused.toolTip() == "Not used in Slave mode");
    EXPECT_FALSE(rig.Get<QLineEdit>("CPUDelayT").isReadOnly());
    rig.Get<QComboBox>("ShutNameT").setCurrentText("Monitor");
    rig.Expect({{"CPUDelayL", "Lost Comms Delay"}, {"IPAddM", "(A valid IP address)"},
                {"ShutTypeM", "Not Available In Slave Mode"}});
}

// Save with nothing changed, after Restore (which keeps the partner), and once more; the
// status clears when its two-second timer runs out.
TEST(ConfigWindow, SaveWritesOnlyWhatChangedAndRestoreKeepsThePartner) {
    ConfigRig rig({{"IPAdd", "10.0.0.9"}, {"CPUDelay", "7"}});
    rig.Open();
    rig.program.WindowOverride = true;
    const std::string before = rig.FileText();
    rig.Press("Save");
    EXPECT_EQ(rig.Shown("Status"), "No Changes To Save");
    EXPECT_TRUE(rig.program.WindowOverride && !rig.program.SettingsSaved);
    const QTimer& status = rig.Get<QTimer>("Timer2");
    EXPECT_TRUE(status.isActive() && status.interval() == 2000);
    rig.window->Timer2_Timer();
    EXPECT_TRUE(rig.Shown("Status").empty() && !status.isActive());
    rig.Press("Restore");
    rig.Expect({{"Status", "Defaults Restored - Click Save To Keep"}, {"CPUDelayT", "60"},
                {"IPAddT", "10.0.0.9"}});
    EXPECT_EQ(rig.FileText(), before);
    rig.Press("Save");
    EXPECT_EQ(rig.Shown("Status"), "Changes Saved - Click Close To Activate The Changes");
    EXPECT_NE(rig.FileText().find("CPUDelay=60\r\n"), std::string::npos);
    EXPECT_TRUE(rig.program.SettingsSaved);
    EXPECT_FALSE(rig.program.WindowOverride) << "StartMin changed";
    EXPECT_EQ(rig.program.settings.CPUDelay, 7) << "running on until Close";
    rig.Press("Save");  // the save is the new reference
    EXPECT_EQ(rig.Shown("Status"), "No Changes To Save");
}

// Under "-InhibitShutdown" the window shows and saves the file's delays, not the running
// cycle's 6 s.
TEST(ConfigWindow, ShowsAndSavesTheFileValuesUnderInhibitShutdown) {
    ConfigRig rig({{"CPUDelay", "1200"}, {"ShutTime", "300"}}, "-InhibitShutdown");
    rig.Open();
    rig.Expect({{"CPUDelayT", "1200"}, {"ShutTimeT", "300"}});
    rig.Edit("CPULevelT", "25");
    rig.Press("Save");
    for (const char* line : {"CPUDelay=1200\r\n", "ShutTime=300\r\n", "CPULevel=25\r\n"}) {
        EXPECT_NE(rig.FileText().find(line), std::string::npos) << line;
    }
    EXPECT_EQ(rig.program.settings.CPUDelay, 6) << "the running cycle keeps its 6 s";
}

// Each way out reaches the program and applies the save: Close, the title bar, and the
// close the tick asks for once the time is up.
TEST(ConfigWindow, EachWayOfClosingReachesTheProgram) {
    for (const int way : {0, 1, 2}) {
        SCOPED_TRACE(way);
        ConfigRig rig;
        rig.Open();
        rig.Edit("CPUDelayT", "40");
        rig.Press("Save");
        if (way == 0) rig.Press("ExitConfig");
        if (way == 2) {
            rig.program.DialogTimeout = 1;
            EXPECT_TRUE(rig.Get<QTimer>("Timer1").isActive());
            rig.window->Timer1_Timer();  // its one-second timer
            EXPECT_EQ(rig.Shown("TMessage"), "The Configuration Screen will close in 1 sec");
            rig.program.tmrRefresh_Timer(), rig.program.tmrRefresh_Timer();
        }
        if (way != 0) rig.window->close();
        EXPECT_FALSE(rig.program.DialogOpen || rig.window->isVisible());
        EXPECT_EQ(rig.program.settings.CPUDelay, 40);
        EXPECT_FALSE(rig.program.SettingsSaved);
    }
}

TEST(ConfigWindow, ViewLogOpensTheLogOrSaysWhyNot) {
    const std::string file = "Nodrel Log File Error", folder = "Nodrel Log Directory Error";
    const struct {
        Overrides overrides;
        const char* removed;
        bool viewer, opened, ends;
        std::string box;  // its title, empty for none
    } cases[] = {
        {{}, nullptr, true, true, false, ""},
        {{}, nullptr, false, true, false, file},  // no viewer
        {{{"LogLevel", "1"}}, nullptr, true, false, false, file},
        {{}, "Log/Nodrel.log", true, false, true, file},
        {{}, "Log", true, false, true, folder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box + (c.removed ? c.removed : ""));
        ConfigRig rig(c.overrides);
        rig.launcher.works = c.viewer;
        rig.Open();
        if (c.removed) fs::remove_all(c.removed);
        rig.Press("ViewL");
        EXPECT_EQ(rig.launcher.files,
                  c.opened ? Names{fs::canonical("Log/Nodrel.log").string()} : Names{});
        EXPECT_EQ(rig.Titles(), c.box.empty() ? Names{} : Names{c.box});
        EXPECT_EQ(rig.program.EndStatus().has_value(), c.ends);
        EXPECT_EQ(rig.window->isVisible(), !c.ends);
    }
}

TEST(ConfigWindow, AFailedWriteShowsTheMessageReloadsTheFieldsAndRunsOn) {
    ConfigRig rig;
    rig.Open();
    fs::permissions("Data/Nodrel4.ini", fs::perms(0444));  // write-protected, also for root
    rig.Edit("CPUDelayT", "40");
    rig.Press("Save");
    EXPECT_EQ(rig.Titles(), Names{"Nodrel Configuration File Error"});
    rig.Expect({{"CPUDelayT", "5"}, {"Status", ""}});
    EXPECT_FALSE(rig.program.SettingsSaved || rig.program.EndStatus());
    EXPECT_TRUE(rig.window->isVisible());
}

// Every control of both layouts lies inside the window and clear of every other.
TEST(ConfigWindow, EveryControlIsShownInsideTheWindowWithoutOverlap) {
    for (const char* role : {"1", "2"}) {
        ConfigRig rig({{"CMain", role}, {"IPAdd", "10.0.0.1"}, {"ShutType", "4"}});
        frmConfig& window = rig.Open();
        QApplication::processEvents();
        auto shown = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        shown.removeIf([&](QWidget* w) { return !w->isVisibleTo(&window); });
        ASSERT_GE(shown.size(), 40);
        for (QWidget* a : shown) {
            const QRect box = a->geometry();
            const std::string name = role + a->objectName().toStdString();
            EXPECT_TRUE(window.rect().contains(box) && !box.isEmpty()) << name;
            for (QWidget* b : shown) {
                EXPECT_TRUE(a == b || !box.intersects(b->geometry()))
                    << name << "/" << b->objectName().toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace nodrel::testing::desktop
