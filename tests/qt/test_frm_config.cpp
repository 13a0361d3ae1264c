// The configuration window on the offscreen platform, over a program started from a scratch
// folder with the fakes: that it shows the settings and the checks' marks, and that its
// buttons save, restore, open the log and close as the program expects.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <filesystem>
#include <memory>

#include "desktop_rig.h"
#include "frontends/nodrel/frm_config.h"

namespace nodrel::testing::desktop {
namespace {

namespace fs = std::filesystem;
using ::testing::IsEmpty;
using Names = std::vector<std::string>;
using Shows = std::vector<std::pair<const char*, std::string>>;

const std::string NotSaved = "Item(s) Highlighted Contain Out Of Range Values - Changes Not Saved";
const std::string Saved = "Changes Saved - Click Close To Activate The Changes";
const std::string NoChanges = "No Changes To Save";

std::string Message(int style, const std::string& title) {
    return std::to_string(style) + " " + title;
}
Names Added(const Names& now, const Names& before) {
    return Names(now.begin() + static_cast<std::ptrdiff_t>(before.size()), now.end());
}

// A program started from its file in a scratch folder, and its configuration window.
struct ConfigRig : Fakes {
    RecordingEffects effects;
    Nodrel program{{effects, counters, clock, priority, &power, &link, "nodrel", &launcher}};
    std::unique_ptr<frmConfig> window;

    explicit ConfigRig(const Overrides& overrides = {}) {
        folder.WriteConfig(ConfigText(overrides));
        program.Form_Load("");
    }
    frmConfig& Open(bool isAdmin = true) {
        const ConfigWindowOutside outside{effects, clock, &launcher, isAdmin};
        window = std::make_unique<frmConfig>(program, outside);
        window->show();
        return *window;
    }
    template <class T = QWidget>
    T& Get(const char* name) const {
        if (T* control = window->findChild<T*>(name)) return *control;
        throw std::runtime_error(std::string("no control ") + name);
    }
    QLineEdit& Edit(const char* name) const { return Get<QLineEdit>(name); }
    void Press(const char* button) const { Get<QPushButton>(button).click(); }
    void Tick(const char* box) const { Get<QCheckBox>(box).click(); }
    void Choose(const char* list, const char* item) { Get<QComboBox>(list).setCurrentText(item); }
    // What a control shows: a list its item, a tick box "true" or "false", others their text.
    std::string Shown(const char* name) const {
        const QWidget& control = Get(name);
        const char* property = qobject_cast<const QComboBox*>(&control)   ? "currentText"
                               : qobject_cast<const QCheckBox*>(&control) ? "checked"
                                                                          : "text";
        return control.property(property).toString().toStdString();
    }
    void Expect(const Shows& shows) const {
        for (const auto& [name, text] : shows) EXPECT_EQ(Shown(name), text) << name;
    }
    // The notes in the marked look (orange, bold); "?note" for one in neither look.
    Names Marked() const {
        Names marked;
        for (const char* name : {"AvTimeM", "CPUDelayM", "CPULevelM", "LogLevelM", "LogNameM",
                                 "LogPathM", "StartDelayM", "ShutTimeM", "ShutTypeM", "IPAddM",
                                 "Port1M"}) {
            const QColor colour = Fore(&Get<QLabel>(name));
            const bool bold = Get(name).font().bold();
            if (colour == OrangeColour && bold) marked.push_back(name);
            else if (colour != QColor(0, 102, 0) || bold) marked.push_back("?" + std::string(name));
        }
        return marked;
    }
    Names Messages() const {
        Names shown;
        for (const auto& m : effects.messages) shown.push_back(Message(m.style, m.title));
        return shown;
    }
    void Seconds(int seconds) {
        for (int i = 0; i < 2 * seconds; ++i) program.tmrRefresh_Timer();
    }
    std::string FileText() const { return ReadBytes(folder.Path() / "Data" / "Nodrel4.ini"); }
};

TEST(ConfigWindow, OpensModalWithTheSettingsInTheirControlsAndOnlyAnAdministratorMaySave) {
    ConfigRig rig({{"IPAdd", "10.0.0.9"}, {"AvTime", "7"}, {"LogLevel", "2"}, {"StartMin", "2"},
                   {"ShutType", "5"}, {"Port1", "12345"}});
    frmConfig& window = rig.Open();
    EXPECT_TRUE(window.isModal() && rig.program.DialogOpen);
    EXPECT_EQ(window.windowTitle(), "Configure Nodrel");
    rig.Expect({{"AvTimeT", "7"}, {"CPUDelayT", "5"}, {"CPULevelT", "20"}, {"StartDelayT", "2"},
                {"LogNameT", "Nodrel.log"}, {"LogPathT", "Log/"}, {"ShutTimeT", "10"},
                {"IPAddT", "10.0.0.9"}, {"Port1T", "12345"}, {"LogLevelT", "Normal"},
                {"ShutNameT", "Hibernate"}, {"DNameT", "false"}, {"RunOnTopT", "false"},
                {"StartMinT", "true"}, {"CPUDelayL", "CPU Delay:"}, {"IPAddL", "IP Address"},
                {"IPAddM", "(Either empty or a valid IP address)"}, {"ShutTypeM", ""},
                {"Status", ""}, {"TMessage", ""}});
    EXPECT_THAT(rig.Marked(), IsEmpty());
    for (const auto& [action, note] : Shows{{"Reboot", "(Forces Running Applications To Close)"},
                                            {"Standby", ""},
                                            {"Monitor", "(Only Use With A Valid IP Address)"}}) {
        rig.Choose("ShutNameT", action);
        EXPECT_EQ(rig.Shown("ShutTypeM"), note) << action;
    }
    Click(&rig.Get<QLabel>("Logo"));
    EXPECT_EQ(rig.launcher.urls, Names{HomePageAddress});
    const auto enabled = [&](const char* name) { return rig.Get(name).isEnabled(); };
    EXPECT_TRUE(enabled("Save") && enabled("Restore"));
    rig.Press("ExitConfig");
    rig.Open(false);
    EXPECT_FALSE(enabled("Save") || enabled("Restore")) << "not an administrator";
    EXPECT_TRUE(enabled("ViewL") && enabled("ExitConfig"));
}

TEST(ConfigWindow, FailedChecksAreMarkedAndSaveRefusesToWrite) {
    struct Case {
        const char* name;
        Overrides overrides;
        std::function<void(ConfigRig&)> change;
        std::string atOpening;
        int failures;
        Names marked;
        Shows shows;
    };
    const Case cases[] = {
        {"log folder missing at opening (asked for even at level None)",
         {{"LogLevel", "1"}, {"LogPath", "Gone/"}}, {},
         "1 Item(s) Highlighted Contain Out Of Range Values", 1, {"LogPathM"}, {}},
        {"empty log path", {}, [](ConfigRig& r) { r.Edit("LogPathT").setText(""); }, "", 3,
         {"LogPathM"}, {}},
        {"Monitor on a master without an address", {{"ShutType", "4"}, {"IPAdd", ""}}, {},
         "2 Item(s) Highlighted Contain Out Of Range Values", 2, {"ShutTypeM", "IPAddM"},
         {{"IPAddM", "Must Be A Valid IP Address"},
          {"ShutTypeM", "(Only Use With A Valid IP Address)"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigRig rig(c.overrides);
        rig.program.SettingsSaved = true;
        rig.Open();
        EXPECT_EQ(rig.Shown("Status"), c.atOpening);
        // Something out of range at opening keeps a pending save; otherwise it is forgotten.
        EXPECT_EQ(rig.program.SettingsSaved, !c.atOpening.empty());
        const std::string before = rig.FileText();
        if (c.change) c.change(rig);
        EXPECT_EQ(rig.window->ValidateFields(), c.failures);
        rig.Press("Save");
        EXPECT_EQ(rig.Shown("Status"), NotSaved);
        EXPECT_EQ(rig.Marked(), c.marked);
        rig.Expect(c.shows);
        EXPECT_EQ(rig.FileText(), before);
        EXPECT_EQ(rig.program.SettingsSaved, !c.atOpening.empty());
    }
}

TEST(ConfigWindow, TheSlaveLayout) {
    ConfigRig rig({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}});
    EXPECT_EQ(rig.Open().windowTitle(), "Configure Nodrel Slave");
    const QColor face = rig.window->palette().color(QPalette::Button);
    for (const char* name : {"AvTimeT", "CPULevelT", "CPUDelayT"}) {
        const QLineEdit& field = rig.Edit(name);
        const bool unused = name != std::string("CPUDelayT");
        EXPECT_EQ(field.isReadOnly() && field.toolTip() == "Not used in Slave mode", unused)
            << name;
        EXPECT_EQ(field.palette().color(QPalette::Base) == face, unused) << name;
    }
    rig.Choose("ShutNameT", "Monitor");
    rig.Expect({{"CPUDelayL", "Lost Comms Delay"}, {"IPAddM", "(A valid IP address)"},
                {"ShutTypeM", "Not Available In Slave Mode"}});
    rig.Tick("DNameT");
    EXPECT_EQ(rig.Shown("IPAddM"), "(a valid domain name)");
}

TEST(ConfigWindow, TickingDomainNameKeepsTheTextAndTheStatusAndDropsTheMarks) {
    ConfigRig rig({{"ShutType", "4"}, {"IPAdd", "10.0.0.9"}});
    rig.Open();
    rig.Edit("AvTimeT").setText("31");
    rig.Edit("IPAddT").setText("partner");
    rig.Press("Save");
    EXPECT_EQ(rig.Marked(), (Names{"AvTimeM", "ShutTypeM", "IPAddM"}));
    rig.Tick("DNameT");
    rig.Expect({{"IPAddT", "partner"}, {"IPAddL", "Domain Name"},
                {"IPAddM", "(Either empty or a valid domain name)"},
                {"ShutTypeM", "(Only Use With A Valid Domain Name)"}, {"Status", NotSaved}});
    EXPECT_THAT(rig.Marked(), IsEmpty());
    EXPECT_EQ(rig.window->ValidateFields(), 1) << "a domain name now: only AvTime fails";
    rig.Tick("DNameT");
    rig.Press("Save");
    EXPECT_EQ(rig.Shown("IPAddM"), "Must Be A Valid IP Address");
    rig.Edit("IPAddT").setText("10.0.0.8");
    EXPECT_EQ(rig.window->ValidateFields(), 1);
    EXPECT_EQ(rig.Shown("IPAddM"), "(Either empty or a valid IP address)") << "the note is back";
    rig.Choose("ShutNameT", "Reboot");  // another action drops the marks too
    EXPECT_THAT(rig.Marked(), IsEmpty());
}

// Save with nothing changed, after Restore, and once more; the running program keeps its
// values until Close.
TEST(ConfigWindow, SaveWritesOnlyWhatChangedAndRestoreKeepsRoleAndPartner) {
    ConfigRig rig({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}, {"RunOnTop", "2"}, {"Port1", "2000"}});
    rig.link.bindWorks = false;
    rig.program.StartLink();
    rig.Open();
    EXPECT_EQ(rig.Marked(), Names{"Port1M"});
    rig.program.WindowOverride = true;
    const std::string before = rig.FileText();
    rig.Press("Save");
    EXPECT_EQ(rig.Shown("Status"), NoChanges);
    EXPECT_FALSE(rig.program.SettingsSaved || rig.program.PortError);
    EXPECT_TRUE(rig.program.WindowOverride);
    EXPECT_THAT(rig.Marked(), IsEmpty());
    RunFor(1500);
    EXPECT_EQ(rig.Shown("Status"), NoChanges) << "the status shows for two seconds";
    RunFor(800);
    EXPECT_EQ(rig.Shown("Status"), "");
    rig.Press("Restore");
    EXPECT_EQ(rig.Shown("Status"), "Defaults Restored - Click Save To Keep");
    EXPECT_EQ(rig.FileText(), before);
    rig.Press("Save");
    EXPECT_EQ(rig.Shown("Status"), Saved);
    EXPECT_EQ(rig.FileText(),
              "# Nodrel Version 5.5\r\n# Configuration File\r\n# " +
                  FormatStamp(rig.clock.LocalNow()) +
                  "\r\n\r\n[Comms]\r\nCMain=2\r\nDName=1\r\nIPAdd=10.0.0.9\r\nPort1=10001\r\n\r\n"
                  "[Run]\r\nAvTime=5\r\nCPUDelay=60\r\nCPULevel=20\r\nLogLevel=2\r\n"
                  "LogName=Nodrel.log\r\nLogPath=Log/\r\nRunOnTop=1\r\nStartDelay=2\r\n"
                  "StartMin=2\r\n\r\n[Shutdown]\r\nShutTime=60\r\nShutType=1\r\n\r\n");
    EXPECT_TRUE(rig.program.SettingsSaved);
    EXPECT_FALSE(rig.program.WindowOverride) << "StartMin changed";
    EXPECT_EQ(rig.program.settings.CPUDelay, 5);
    const std::string saved = rig.FileText();
    rig.Press("Save");  // the save is the new reference
    EXPECT_EQ(rig.Shown("Status"), NoChanges);
    EXPECT_EQ(rig.FileText(), saved);
}

// However the window closes, the cycle goes on; only a close after a save (or while
// unconfigured) starts it again with the file's settings.
TEST(ConfigWindow, CloseReinitialisesOnlyAfterASaveOrWhileUnconfigured) {
    struct Case {
        const char* name;
        Overrides overrides;
        bool save;
        std::function<void(ConfigRig&)> close;
        Names logged, effects;  // what the close added
        int cpuDelay;
    };
    const auto button = [](ConfigRig& r) { r.Press("ExitConfig"); };
    const auto timeUp = [](ConfigRig& r) {
        r.program.DialogTimeout = 4;  // as -InhibitShutdown would have it
        EXPECT_TRUE(RunUntil([&] { return !r.Shown("TMessage").empty(); }));
        EXPECT_EQ(r.Shown("TMessage"), "The Configuration Screen will close in 4 sec");
        for (int i = 0; i < 3; ++i) r.window->Timer1_Timer();
        EXPECT_TRUE(r.window->isVisible());
        r.Seconds(1);  // the tick asks for the close, which the desktop's effects carry out
        r.window->close();
    };
    const Names updated = {"Config|Updated", "Start|Initialise"},
                restart = {"timer off", "timer on"};
    const Case cases[] = {
        {"Close after a save", {}, true, button, updated, restart, 40},
        {"title bar (or Escape) after a save", {}, true, [](ConfigRig& r) { r.window->close(); },
         updated, restart, 40},
        {"Close without a save", {}, false, button, {}, {}, 5},
        {"gone without a close", {}, false, [](ConfigRig& r) { r.window.reset(); }, {}, {}, 5},
        {"Close while unconfigured", {{"ShutType", "4"}}, false, button, {}, restart, 5},
        {"its time up after a save", {}, true, timeUp, {}, {"close dialogs"}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Overrides overrides = c.overrides;
        overrides.insert({{"LogLevel", "2"}, {"StartDelay", "3"}});
        ConfigRig rig(overrides);
        rig.Seconds(5);
        rig.Open();
        rig.Edit("CPUDelayT").setText("40");
        if (c.save) rig.Press("Save");
        const Names logged = rig.folder.LogEvents(), effects = rig.effects.events;
        const std::string file = rig.FileText();
        c.close(rig);
        EXPECT_FALSE(rig.program.DialogOpen);
        EXPECT_TRUE(!rig.window || !rig.window->isVisible());
        EXPECT_EQ(Added(rig.folder.LogEvents(), logged), c.logged);
        EXPECT_EQ(Added(rig.effects.events, effects), c.effects);
        EXPECT_EQ(rig.program.settings.CPUDelay, c.cpuDelay);
        EXPECT_EQ(rig.FileText(), file) << "a close never writes";
    }
}

TEST(ConfigWindow, ViewLogOpensTheLogOrSaysWhyNot) {
    struct Case {
        const char* name;
        Overrides overrides;
        const char* removed;
        bool viewer, opened, ends;
        std::string message;
    };
    const std::string fileError = "Nodrel Log File Error";
    const Case cases[] = {
        {"opened", {}, nullptr, true, true, false, ""},
        {"no viewer", {}, nullptr, false, true, false, Message(box::Exclamation, fileError)},
        {"level None", {{"LogLevel", "1"}}, nullptr, true, false, false,
         Message(box::Information, fileError)},
        {"file deleted", {}, "Log/Nodrel.log", true, false, true,
         Message(box::Exclamation, fileError)},
        {"folder deleted", {}, "Log", true, false, true,
         Message(box::Exclamation, "Nodrel Log Directory Error")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigRig rig(c.overrides);
        rig.launcher.works = c.viewer;
        rig.Open();
        if (c.removed) fs::remove_all(c.removed);
        rig.Press("ViewL");
        EXPECT_EQ(rig.launcher.files,
                  c.opened ? Names{fs::canonical("Log/Nodrel.log").string()} : Names{});
        EXPECT_EQ(rig.Messages(), c.message.empty() ? Names{} : Names{c.message});
        EXPECT_EQ(rig.program.EndStatus(), c.ends ? std::optional<int>(1) : std::nullopt);
        EXPECT_EQ(rig.window->isVisible(), !c.ends);
    }
}

TEST(ConfigWindow, AFailedWriteShowsTheMessageReloadsTheFieldsAndRunsOn) {
    ConfigRig rig;
    rig.Open();
    fs::remove_all("Data");
    rig.Edit("CPUDelayT").setText("40");
    rig.Press("Save");
    EXPECT_EQ(rig.Messages(), Names{Message(box::Exclamation, "Nodrel Configuration File Error")});
    rig.Expect({{"CPUDelayT", "5"}, {"Status", ""}});
    EXPECT_FALSE(rig.program.SettingsSaved);
    EXPECT_TRUE(rig.window->isVisible());
    rig.Press("ExitConfig");  // Close then leaves the program as it was
    EXPECT_FALSE(rig.program.DialogOpen || rig.program.EndStatus());
    EXPECT_EQ(rig.program.settings.CPUDelay, 5);
}

// Every control of both layouts lies inside the window and clear of every other.
TEST(ConfigWindow, EveryControlIsShownInsideTheWindowWithoutOverlap) {
    for (const char* role : {"1", "2"}) {
        ConfigRig rig({{"CMain", role}, {"IPAdd", "10.0.0.1"}, {"ShutType", "4"}});
        frmConfig& window = rig.Open();
        QApplication::processEvents();
        std::vector<QWidget*> shown;
        for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(&window)) shown.push_back(child);
        }
        ASSERT_GE(shown.size(), 40u);
        const auto name = [](QWidget* w) {
            return (w->objectName() + w->property("text").toString()).toStdString();
        };
        for (auto it = shown.begin(); it != shown.end(); ++it) {
            const QRect box = (*it)->geometry();
            EXPECT_TRUE(window.rect().contains(box) && !box.isEmpty()) << role << name(*it);
            for (auto other = it + 1; other != shown.end(); ++other) {
                EXPECT_FALSE(box.intersects((*other)->geometry()))
                    << name(*it) << "/" << name(*other);
            }
        }
    }
}

}  // namespace
}  // namespace nodrel::testing::desktop
