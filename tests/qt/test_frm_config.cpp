// The configuration window on the offscreen platform, over a program started from a
// scratch folder with the fakes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QMouseEvent>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "fakes.h"
#include "frontends/nodrel/frm_config.h"
#include "frontends/nodrel/qt_effects.h"

// Readable failures for the window's texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace nodrel::testing {
namespace {

namespace fs = std::filesystem;

const QColor kOrange(255, 128, 0);
const QColor kNoteGreen(0, 102, 0);

// Closes the open windows the way a windowed front end does when the tick says so.
class ClosingEffects : public RecordingEffects {
public:
    void CloseDialogs() override {
        RecordingEffects::CloseDialogs();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
                dialog->reject();
            }
        }
    }
};

class RecordingLauncher : public Launcher {
public:
    bool OpenUrl(const std::string& address) override {
        urls.push_back(address);
        return true;
    }
    bool OpenFile(const std::string& path) override {
        files.push_back(path);
        return viewerInstalled;
    }
    std::vector<std::string> urls;
    std::vector<std::string> files;
    bool viewerInstalled = true;
};

// Runs the event loop for the given time, so the window's own timers fire.
void Wait(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

bool Marked(const QLabel& note) {
    return note.palette().color(QPalette::WindowText) == kOrange && note.font().bold();
}

bool Plain(const QLabel& note) {
    return note.palette().color(QPalette::WindowText) == kNoteGreen && !note.font().bold();
}

const char* const kNotes[] = {"AvTimeM",  "CPUDelayM",   "CPULevelM", "LogLevelM",
                              "LogNameM", "LogPathM",    "StartDelayM", "ShutTimeM",
                              "ShutTypeM", "IPAddM",     "Port1M"};

// A program started from its file in a scratch folder, and its configuration window.
struct ConfigRig {
    ScratchFolder folder;
    ClosingEffects effects;
    ScriptedCounters counters;
    FixedClock clock;
    CountingPriority priority;
    RecordingPower power;
    RecordingLink link;
    RecordingLauncher launcher;
    Nodrel program{{effects, counters, clock, priority, &power, &link, "nodrel", &launcher}};
    std::unique_ptr<frmConfig> window;

    explicit ConfigRig(const Overrides& overrides = {}) {
        folder.WriteConfig(ConfigText(overrides));
        program.Form_Load("");
    }

    frmConfig& Open(bool isAdmin = true) {
        window = std::make_unique<frmConfig>(
            program, ConfigWindowOutside{effects, clock, &launcher, isAdmin});
        window->show();
        return *window;
    }

    template <class T>
    T& Get(const char* name) const {
        T* control = window->findChild<T*>(name);
        if (control == nullptr) throw std::runtime_error(std::string("no control ") + name);
        return *control;
    }
    QLineEdit& Edit(const char* name) const { return Get<QLineEdit>(name); }
    QLabel& Label(const char* name) const { return Get<QLabel>(name); }
    QCheckBox& Tick(const char* name) const { return Get<QCheckBox>(name); }
    QComboBox& List(const char* name) const { return Get<QComboBox>(name); }
    QPushButton& Button(const char* name) const { return Get<QPushButton>(name); }
    // Ticks until `seconds` work ticks of the main window have passed.
    void Seconds(int seconds) {
        for (int i = 0; i < 2 * seconds; ++i) program.tmrRefresh_Timer();
    }
    QString StatusText() const { return Label("Status").text(); }

    fs::path ConfigFile() const { return folder.Path() / "Data" / "Nodrel4.ini"; }
    std::string FileText() const { return ReadFile(ConfigFile()); }

    // Every note but those named is in its normal look.
    void ExpectOnlyMarked(std::initializer_list<std::string> marked) const {
        for (const char* name : kNotes) {
            const bool wanted = std::find(marked.begin(), marked.end(), name) != marked.end();
            EXPECT_EQ(Marked(Label(name)), wanted) << name;
            if (!wanted) {
                EXPECT_TRUE(Plain(Label(name))) << name;
            }
        }
    }
};

QStringList Items(const QComboBox& list) {
    QStringList items;
    for (int i = 0; i < list.count(); ++i) items << list.itemText(i);
    return items;
}

TEST(ConfigWindow, OpensModalWithTheSettingsInTheirControlsAndTheListsInOrder) {
    ConfigRig rig({{"IPAdd", "10.0.0.9"}, {"AvTime", "7"}, {"LogLevel", "2"},
                   {"StartMin", "2"}, {"ShutType", "5"}, {"Port1", "12345"}});
    frmConfig& window = rig.Open();

    EXPECT_TRUE(window.isModal());
    EXPECT_EQ(window.windowTitle(), "Configure Nodrel");
    EXPECT_TRUE(rig.program.DialogOpen);
    EXPECT_EQ(rig.program.DialogTimeout, 600);
    EXPECT_EQ(Items(rig.List("LogLevelT")), QStringList({"Full", "None", "Normal"}));
    EXPECT_EQ(Items(rig.List("ShutNameT")),
              QStringList({"Hibernate", "Monitor", "Power Off", "Reboot", "Shutdown", "Standby"}));

    EXPECT_EQ(rig.Edit("AvTimeT").text(), "7");
    EXPECT_EQ(rig.Edit("CPUDelayT").text(), "5");
    EXPECT_EQ(rig.Edit("IPAddT").text(), "10.0.0.9");
    EXPECT_EQ(rig.Edit("Port1T").text(), "12345");
    EXPECT_EQ(rig.Edit("LogPathT").text(), "Log/");
    EXPECT_EQ(rig.List("LogLevelT").currentText(), "Normal");
    EXPECT_EQ(rig.List("ShutNameT").currentText(), "Hibernate");
    EXPECT_FALSE(rig.Tick("DNameT").isChecked());
    EXPECT_FALSE(rig.Tick("RunOnTopT").isChecked());
    EXPECT_TRUE(rig.Tick("StartMinT").isChecked());
    EXPECT_EQ(rig.Label("ShutTypeM").text(), "");
    EXPECT_EQ(rig.Label("IPAddL").text(), "IP Address");
    EXPECT_EQ(rig.Label("IPAddM").text(), "(Either empty or a valid IP address)");
    EXPECT_EQ(rig.Label("CPUDelayL").text(), "CPU Delay:");
    EXPECT_EQ(rig.StatusText(), "");
    EXPECT_EQ(rig.Label("TMessage").text(), "");
    rig.ExpectOnlyMarked({});

    EXPECT_EQ(rig.Button("Save").toolTip().toStdString(),
              "Save Nodrel Configuration Values (The program will be reset when you close this "
              "screen if values have been changed)");
    EXPECT_EQ(rig.Button("Restore").toolTip().toStdString(),
              "Restore Nodrel Default Configuration Values (Does not restore or delete any "
              "computer address set)");
    EXPECT_EQ(rig.Button("ExitConfig").toolTip(), "Close Nodrel Configuration Screen");
    EXPECT_EQ(rig.Edit("StartDelayT").toolTip(),
              "Delay after startup before program  is activated");

    // Picking an action shows its note: the three forcing ones, then one without a note.
    rig.List("ShutNameT").setCurrentText("Reboot");
    EXPECT_EQ(rig.Label("ShutTypeM").text(), "(Forces Running Applications To Close)");
    rig.List("ShutNameT").setCurrentText("Standby");
    EXPECT_EQ(rig.Label("ShutTypeM").text(), "");
    rig.List("ShutNameT").setCurrentText("Monitor");
    EXPECT_EQ(rig.Label("ShutTypeM").text(), "(Only Use With A Valid IP Address)");
}

TEST(ConfigWindow, OnlyAnAdministratorMaySaveOrRestore) {
    ConfigRig rig;
    rig.Open(false);
    EXPECT_FALSE(rig.Button("Save").isEnabled());
    EXPECT_FALSE(rig.Button("Restore").isEnabled());
    EXPECT_TRUE(rig.Button("ViewL").isEnabled());
    EXPECT_TRUE(rig.Button("ExitConfig").isEnabled());
    EXPECT_TRUE(rig.Edit("AvTimeT").isEnabled());

    // A disabled Save writes nothing, however it is asked.
    rig.Edit("AvTimeT").setText("9");
    const std::string before = rig.FileText();
    rig.Button("Save").click();
    EXPECT_EQ(rig.FileText(), before);

    rig.Button("ExitConfig").click();
    EXPECT_FALSE(rig.program.DialogOpen);

    rig.Open(true);
    EXPECT_TRUE(rig.Button("Save").isEnabled());
    EXPECT_TRUE(rig.Button("Restore").isEnabled());
}

TEST(ConfigWindow, OneBadValueAtOpeningIsCountedForTwoSecondsAndStaysMarked) {
    // At level None the log folder is not needed to run, but the window asks for it.
    ConfigRig rig({{"LogLevel", "1"}, {"LogPath", "Gone/"}});
    rig.program.SettingsSaved = true;
    rig.Open();

    EXPECT_EQ(rig.StatusText(), "1 Item(s) Highlighted Contain Out Of Range Values");
    rig.ExpectOnlyMarked({"LogPathM"});
    // Something out of range: a save left pending is not forgotten.
    EXPECT_TRUE(rig.program.SettingsSaved);

    Wait(1200);
    EXPECT_EQ(rig.StatusText(), "1 Item(s) Highlighted Contain Out Of Range Values");
    Wait(1200);
    EXPECT_EQ(rig.StatusText(), "");
    rig.ExpectOnlyMarked({"LogPathM"});

    // Once the folder is there, the next check drops the mark.
    fs::create_directory(rig.folder.Path() / "Gone");
    EXPECT_EQ(rig.window->ValidateFields(), 0);
    rig.ExpectOnlyMarked({});
}

TEST(ConfigWindow, OpeningWithEverythingInRangeForgetsAPendingSave) {
    ConfigRig rig;
    rig.program.SettingsSaved = true;
    rig.Open();
    EXPECT_EQ(rig.StatusText(), "");
    EXPECT_FALSE(rig.program.SettingsSaved);
}

TEST(ConfigWindow, AnEmptyLogPathFailsThreeRulesAndNothingIsSaved) {
    ConfigRig rig;
    rig.Open();
    const std::string before = rig.FileText();

    rig.Edit("LogPathT").setText("");
    EXPECT_EQ(rig.window->ValidateFields(), 3);
    rig.ExpectOnlyMarked({"LogPathM"});

    rig.Button("Save").click();
    EXPECT_EQ(rig.StatusText(),
              "Item(s) Highlighted Contain Out Of Range Values - Changes Not Saved");
    EXPECT_EQ(rig.FileText(), before);
    EXPECT_FALSE(rig.program.SettingsSaved);

    // Without the separator at the end only that rule fails; a backslash counts as one.
    rig.Edit("LogPathT").setText("Log");
    EXPECT_EQ(rig.window->ValidateFields(), 1);
    rig.Edit("LogPathT").setText("Log\\");
    EXPECT_EQ(rig.window->ValidateFields(), 0);
}

TEST(ConfigWindow, MonitorNeedsAPartnerAddressOnAMaster) {
    ConfigRig rig({{"ShutType", "4"}, {"IPAdd", ""}});
    ASSERT_TRUE(rig.program.Unconfigured);
    rig.Open();

    EXPECT_EQ(rig.StatusText(), "2 Item(s) Highlighted Contain Out Of Range Values");
    rig.ExpectOnlyMarked({"ShutTypeM", "IPAddM"});
    EXPECT_EQ(rig.Label("IPAddM").text(), "Must Be A Valid IP Address");
    EXPECT_EQ(rig.Label("ShutTypeM").text(), "(Only Use With A Valid IP Address)");

    // As a host name a dotted quad is refused, and Monitor needs a real name: three failures.
    rig.Tick("DNameT").click();
    rig.Edit("IPAddT").setText("10.1.1.1");
    EXPECT_EQ(rig.window->ValidateFields(), 3);
    EXPECT_EQ(rig.Label("IPAddM").text(), "Must Be A Valid Domain Name");
    EXPECT_EQ(rig.Label("ShutTypeM").text(), "(Only Use With A Valid Domain Name)");
    rig.ExpectOnlyMarked({"ShutTypeM", "IPAddM"});

    // Back to an empty address: Save refuses; a real address clears every mark and saves.
    rig.Tick("DNameT").click();
    rig.Edit("IPAddT").setText("");
    rig.Button("Save").click();
    EXPECT_EQ(rig.StatusText(),
              "Item(s) Highlighted Contain Out Of Range Values - Changes Not Saved");
    rig.ExpectOnlyMarked({"ShutTypeM", "IPAddM"});
    EXPECT_EQ(rig.Label("IPAddM").text(), "Must Be A Valid IP Address");
    rig.Edit("IPAddT").setText("10.1.1.2");
    rig.Button("Save").click();
    EXPECT_EQ(rig.StatusText(), "Changes Saved - Click Close To Activate The Changes");
    rig.ExpectOnlyMarked({});
    EXPECT_EQ(rig.Label("IPAddM").text(), "(Either empty or a valid IP address)");
    EXPECT_NE(rig.FileText().find("IPAdd=10.1.1.2\r\n"), std::string::npos);
}

TEST(ConfigWindow, TheSlaveLayout) {
    ConfigRig rig({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}});
    ASSERT_EQ(rig.program.ProgTitle, "Nodrel Slave");
    frmConfig& window = rig.Open();

    EXPECT_EQ(window.windowTitle(), "Configure Nodrel Slave");
    EXPECT_EQ(rig.Button("ExitConfig").toolTip(), "Close Nodrel Slave Configuration Screen");
    const QColor buttonFace = window.palette().color(QPalette::Button);
    ASSERT_NE(rig.Edit("CPUDelayT").palette().color(QPalette::Base), buttonFace);
    for (const char* unused : {"AvTimeT", "CPULevelT"}) {
        QLineEdit& field = rig.Edit(unused);
        EXPECT_TRUE(field.isReadOnly()) << unused;
        EXPECT_TRUE(field.isEnabled()) << unused;
        EXPECT_EQ(field.palette().color(QPalette::Base), buttonFace) << unused;
        EXPECT_EQ(field.toolTip(), "Not used in Slave mode") << unused;
    }
    EXPECT_FALSE(rig.Edit("CPUDelayT").isReadOnly());
    EXPECT_EQ(rig.Label("CPUDelayL").text(), "Lost Comms Delay");
    EXPECT_EQ(rig.Edit("CPUDelayT").toolTip(),
              "Time for communications to be lost before shutdown initiated");
    EXPECT_EQ(rig.Label("IPAddM").text(), "(A valid IP address)");

    rig.List("ShutNameT").setCurrentText("Monitor");
    EXPECT_EQ(rig.Label("ShutTypeM").text(), "Not Available In Slave Mode");
    rig.Button("Save").click();
    EXPECT_EQ(rig.Label("ShutTypeM").text(), "Invalid Option In Slave Mode");
    rig.ExpectOnlyMarked({"ShutTypeM"});

    // A slave needs its partner: an empty address fails in either kind.
    rig.List("ShutNameT").setCurrentText("Power Off");
    rig.Edit("IPAddT").setText("");
    EXPECT_EQ(rig.window->ValidateFields(), 1);
    rig.ExpectOnlyMarked({"IPAddM"});
    rig.Tick("DNameT").click();
    EXPECT_EQ(rig.Label("IPAddM").text(), "(a valid domain name)");
    EXPECT_EQ(rig.window->ValidateFields(), 1);
    rig.Edit("IPAddT").setText("partner.example");
    EXPECT_EQ(rig.window->ValidateFields(), 0);
}

TEST(ConfigWindow, APortErrorIsMarkedAndASaveWithoutChangesEndsIt) {
    ConfigRig rig({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}});
    rig.link.bindWorks = false;
    rig.program.StartLink();
    ASSERT_TRUE(rig.program.PortError);
    rig.Open();
    EXPECT_EQ(rig.StatusText(), "1 Item(s) Highlighted Contain Out Of Range Values");
    rig.ExpectOnlyMarked({"Port1M"});

    rig.Button("Save").click();
    EXPECT_EQ(rig.StatusText(), "No Changes To Save");
    EXPECT_FALSE(rig.program.PortError);
    rig.ExpectOnlyMarked({});

    // Nothing saved and the port error gone: Close does not bind again.
    const int binds = rig.link.closed;
    rig.Button("ExitConfig").click();
    EXPECT_EQ(rig.link.closed, binds);
    EXPECT_FALSE(rig.program.DialogOpen);
}

TEST(ConfigWindow, TickingDomainNameKeepsTheTextAndDropsTheMarks) {
    ConfigRig rig({{"ShutType", "4"}, {"IPAdd", "10.0.0.9"}});
    rig.Open();
    rig.Edit("AvTimeT").setText("31");
    rig.Edit("IPAddT").setText("partner");
    rig.Button("Save").click();
    rig.ExpectOnlyMarked({"AvTimeM", "IPAddM", "ShutTypeM"});
    const QString status = rig.StatusText();

    rig.Tick("DNameT").click();
    EXPECT_EQ(rig.Edit("IPAddT").text(), "partner");
    EXPECT_EQ(rig.Label("IPAddL").text(), "Domain Name");
    EXPECT_EQ(rig.Label("IPAddM").text(), "(Either empty or a valid domain name)");
    EXPECT_EQ(rig.Edit("IPAddT").toolTip(),
              "Domain name of computer to communicate with (less than 100 characters)");
    EXPECT_EQ(rig.Label("ShutTypeM").text(), "(Only Use With A Valid Domain Name)");
    rig.ExpectOnlyMarked({});
    EXPECT_EQ(rig.StatusText(), status);

    rig.Tick("DNameT").click();
    EXPECT_EQ(rig.Label("IPAddL").text(), "IP Address");
    EXPECT_EQ(rig.Edit("IPAddT").toolTip(), "IP Address of computer to communicate with");
    EXPECT_EQ(rig.Label("ShutTypeM").text(), "(Only Use With A Valid IP Address)");

    // Choosing another action drops the marks too.
    rig.Button("Save").click();
    rig.ExpectOnlyMarked({"AvTimeM", "IPAddM", "ShutTypeM"});
    rig.List("ShutNameT").setCurrentText("Reboot");
    rig.ExpectOnlyMarked({});
}

TEST(ConfigWindow, SaveWritesOnlyWhenSomethingChanged) {
    ConfigRig rig;
    rig.Open();
    rig.program.WindowOverride = true;
    const std::string before = rig.FileText();

    rig.Button("Save").click();
    EXPECT_EQ(rig.StatusText(), "No Changes To Save");
    EXPECT_EQ(rig.FileText(), before);
    EXPECT_FALSE(rig.program.SettingsSaved);
    EXPECT_TRUE(rig.program.WindowOverride);

    // A change typed and typed back is no change.
    rig.Edit("CPUDelayT").setText("50");
    rig.Edit("CPUDelayT").setText("5");
    rig.Button("Save").click();
    EXPECT_EQ(rig.StatusText(), "No Changes To Save");
    EXPECT_EQ(rig.FileText(), before);

    // The running program keeps its values; only the file changes.
    rig.Tick("StartMinT").click();
    rig.Button("Save").click();
    EXPECT_EQ(rig.StatusText(), "Changes Saved - Click Close To Activate The Changes");
    EXPECT_TRUE(rig.program.SettingsSaved);
    EXPECT_FALSE(rig.program.WindowOverride);
    EXPECT_EQ(rig.program.settings.StartMin, 1);
    EXPECT_NE(rig.FileText().find("StartMin=2\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(rig.folder.Path() / "Data" / "Nodrel4.ini.new"));

    // The save is the new reference: saving again writes nothing.
    const std::string saved = rig.FileText();
    rig.Button("Save").click();
    EXPECT_EQ(rig.StatusText(), "No Changes To Save");
    EXPECT_EQ(rig.FileText(), saved);
    EXPECT_TRUE(rig.program.SettingsSaved);
}

TEST(ConfigWindow, RestoreFillsTheDefaultsAndSaveWritesThemKeepingRoleAndPartner) {
    ConfigRig rig({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}, {"RunOnTop", "2"}, {"Port1", "2000"}});
    rig.Open();
    const std::string before = rig.FileText();

    rig.Button("Restore").click();
    EXPECT_EQ(rig.StatusText(), "Defaults Restored - Click Save To Keep");
    EXPECT_EQ(rig.FileText(), before);
    EXPECT_EQ(rig.Edit("AvTimeT").text(), "5");
    EXPECT_EQ(rig.Edit("LogPathT").text(), "Log/");
    EXPECT_EQ(rig.List("LogLevelT").currentText(), "Normal");
    EXPECT_EQ(rig.List("ShutNameT").currentText(), "Power Off");
    EXPECT_FALSE(rig.Tick("RunOnTopT").isChecked());
    EXPECT_TRUE(rig.Tick("StartMinT").isChecked());
    EXPECT_EQ(rig.Edit("IPAddT").text(), "10.0.0.9");

    rig.Button("Save").click();
    EXPECT_EQ(rig.StatusText(), "Changes Saved - Click Close To Activate The Changes");
    const std::string expected = "# Nodrel Version 5.5\r\n"
                                 "# Configuration File\r\n"
                                 "# " + FormatStamp(rig.clock.LocalNow()) + "\r\n"
                                 "\r\n"
                                 "[Comms]\r\n"
                                 "CMain=2\r\n"
                                 "DName=1\r\n"
                                 "IPAdd=10.0.0.9\r\n"
                                 "Port1=10001\r\n"
                                 "\r\n"
                                 "[Run]\r\n"
                                 "AvTime=5\r\n"
                                 "CPUDelay=60\r\n"
                                 "CPULevel=20\r\n"
                                 "LogLevel=2\r\n"
                                 "LogName=Nodrel.log\r\n"
                                 "LogPath=Log/\r\n"
                                 "RunOnTop=1\r\n"
                                 "StartDelay=2\r\n"
                                 "StartMin=2\r\n"
                                 "\r\n"
                                 "[Shutdown]\r\n"
                                 "ShutTime=60\r\n"
                                 "ShutType=1\r\n"
                                 "\r\n";
    EXPECT_EQ(rig.FileText(), expected);
}

TEST(ConfigWindow, NumbersAreSavedAsTheValuesReadAndTextsAsTyped) {
    ConfigRig rig;
    rig.Open();
    rig.Edit("AvTimeT").setText("30 s");
    rig.Edit("CPUDelayT").setText("0040");
    rig.Edit("StartDelayT").setText("2.5");
    rig.Edit("LogPathT").setText("Log\\");
    rig.Tick("DNameT").click();
    rig.Edit("IPAddT").setText("partner.example");
    rig.List("LogLevelT").setCurrentText("None");
    rig.List("ShutNameT").setCurrentText("Standby");
    rig.Tick("RunOnTopT").click();
    rig.Button("Save").click();
    ASSERT_EQ(rig.StatusText(), "Changes Saved - Click Close To Activate The Changes");

    const std::string text = rig.FileText();
    for (const char* line :
         {"\r\nDName=2\r\n", "\r\nIPAdd=partner.example\r\n", "\r\nAvTime=30\r\n",
          "\r\nCPUDelay=40\r\n", "\r\nStartDelay=2.5\r\n", "\r\nLogPath=Log\\\r\n",
          "\r\nLogLevel=1\r\n", "\r\nRunOnTop=2\r\n", "\r\nShutType=6\r\n\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

TEST(ConfigWindow, CloseAfterSaveReinitialisesWithOneUpdateLine) {
    for (const int level : {2, 3}) {
        SCOPED_TRACE(level);
        ConfigRig rig({{"LogLevel", std::to_string(level)}, {"StartDelay", "3"}});
        rig.Seconds(5);
        ASSERT_EQ(rig.program.Phase, PhaseRun);
        const int listingsBefore =
            Occurrences(rig.folder.ReadLog(), "Configuration\r\n-------------");

        rig.Open();
        rig.Edit("CPUDelayT").setText("40");
        rig.Button("Save").click();
        EXPECT_EQ(rig.program.settings.CPUDelay, 5);
        rig.Button("ExitConfig").click();

        EXPECT_FALSE(rig.window->isVisible());
        EXPECT_FALSE(rig.program.DialogOpen);
        EXPECT_FALSE(rig.program.SettingsSaved);
        EXPECT_EQ(rig.program.settings.CPUDelay, 40);
        EXPECT_EQ(rig.program.Phase, PhaseInitialise);
        EXPECT_EQ(rig.program.Count, 3);
        EXPECT_TRUE(rig.program.TimerEnabled());
        const std::vector<std::string> events = rig.folder.LogEvents();
        EXPECT_EQ(std::count(events.begin(), events.end(), "Config|Updated"), 1);
        // The restarted cycle's own line follows.
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[events.size() - 2], "Config|Updated");
        EXPECT_EQ(events.back(), "Start|Initialise");
        const std::string log = rig.folder.ReadLog();
        EXPECT_EQ(Occurrences(log, "Configuration\r\n-------------"),
                  listingsBefore + (level == 3 ? 1 : 0));
        EXPECT_EQ(log.find("CPUDelay=40") != std::string::npos, level == 3);
    }
}

TEST(ConfigWindow, TheTitleBarCloseTakesTheCloseButtonsWay) {
    ConfigRig rig;
    rig.Open();
    rig.Edit("ShutTimeT").setText("30");
    rig.Button("Save").click();
    rig.window->close();
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_EQ(rig.program.settings.ShutTime, 30);
    const std::vector<std::string> events = rig.folder.LogEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "Config|Updated"), 1);

    // Escape too, and a window that goes away unclosed lets the cycle go on.
    rig.Open();
    rig.window->reject();
    EXPECT_FALSE(rig.program.DialogOpen);
    rig.Open();
    rig.window.reset();
    EXPECT_FALSE(rig.program.DialogOpen);
}

TEST(ConfigWindow, CloseWithoutSavingChangesNothing) {
    ConfigRig rig;
    rig.Seconds(3);
    rig.Open();
    const std::string log = rig.folder.ReadLog();
    const std::string file = rig.FileText();
    const Settings settings = rig.program.settings;
    const auto phase = rig.program.Phase;
    const std::size_t effects = rig.effects.events.size();

    rig.Edit("CPUDelayT").setText("40");
    rig.Button("ExitConfig").click();

    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_EQ(rig.program.settings, settings);
    EXPECT_EQ(rig.program.Phase, phase);
    EXPECT_EQ(rig.folder.ReadLog(), log);
    EXPECT_EQ(rig.FileText(), file);
    EXPECT_EQ(rig.effects.events.size(), effects);  // not even the timer was touched
}

TEST(ConfigWindow, CloseWhileUnconfiguredAlwaysReinitialises) {
    ConfigRig rig({{"ShutType", "4"}, {"IPAdd", ""}});
    ASSERT_TRUE(rig.program.Unconfigured);
    rig.Open();
    const std::size_t effects = rig.effects.events.size();
    rig.Button("ExitConfig").click();

    // Re-read and still unconfigured: restarted, but neither the line nor the listing.
    EXPECT_TRUE(rig.program.Unconfigured);
    EXPECT_FALSE(rig.program.DialogOpen);
    const std::vector<std::string> after(rig.effects.events.begin() +
                                             static_cast<std::ptrdiff_t>(effects),
                                         rig.effects.events.end());
    EXPECT_EQ(after, (std::vector<std::string>{"timer off", "timer on"}));
    const std::vector<std::string> events = rig.folder.LogEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "Config|Updated"), 0);

    // The file put right meanwhile: the same Close takes it up.
    rig.Open();
    rig.folder.WriteConfig(ConfigText({{"ShutType", "4"}, {"IPAdd", "10.0.0.3"}}));
    rig.Button("ExitConfig").click();
    EXPECT_FALSE(rig.program.Unconfigured);
    EXPECT_EQ(rig.program.settings.IPAdd, "10.0.0.3");
    const std::vector<std::string> updated = rig.folder.LogEvents();
    EXPECT_EQ(std::count(updated.begin(), updated.end(), "Config|Updated"), 1);
}

TEST(ConfigWindow, ClosesItselfWhenItsTimeIsUpWithoutApplyingASave) {
    ConfigRig rig;
    rig.program.InhibitShutdown = 1;
    rig.Open();
    EXPECT_EQ(rig.program.DialogTimeout, 4);
    rig.Edit("CPUDelayT").setText("40");
    rig.Button("Save").click();
    ASSERT_TRUE(rig.program.SettingsSaved);

    Wait(1150);
    EXPECT_EQ(rig.Label("TMessage").text(), "The Configuration Screen will close in 4 sec");
    for (const char* text : {"3", "2", "1"}) {
        rig.window->Timer1_Timer();
        EXPECT_EQ(rig.Label("TMessage").text().toStdString(),
                  std::string("The Configuration Screen will close in ") + text + " sec");
    }
    EXPECT_TRUE(rig.window->isVisible());

    const std::size_t logLines = rig.folder.LogEvents().size();
    rig.Seconds(1);
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_FALSE(rig.program.DialogOpen);
    EXPECT_TRUE(rig.program.SettingsSaved);
    EXPECT_EQ(rig.program.settings.CPUDelay, 5);
    EXPECT_EQ(rig.folder.LogEvents().size(), logLines);
    // The cycle goes on from where it paused.
    rig.Seconds(2);
    EXPECT_EQ(rig.program.Phase, PhaseRun);
}

// The same with the desktop's own effects, which close the registered windows.
TEST(ConfigWindow, TheDesktopsCloseOfOpenWindowsDoesNotReinitialise) {
    ScratchFolder folder;
    folder.WriteConfig(ConfigText());
    QtEffects effects([] { return false; });
    effects.quit = [](int) {};
    ScriptedCounters counters;
    FixedClock clock;
    CountingPriority priority;
    RecordingPower power;
    RecordingLink link;
    Nodrel program({effects, counters, clock, priority, &power, &link, "nodrel"});
    program.Form_Load("");
    program.InhibitShutdown = 1;

    frmConfig window(program, {effects, clock, nullptr, true});
    effects.RegisterDialog(&window);
    window.show();
    window.findChild<QLineEdit*>("CPUDelayT")->setText("40");
    window.Save_Click();
    ASSERT_TRUE(program.SettingsSaved);
    for (int second = 0; second < 4; ++second) window.Timer1_Timer();
    program.tmrRefresh_Timer();
    program.tmrRefresh_Timer();

    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(program.DialogOpen);
    EXPECT_TRUE(program.SettingsSaved);
    EXPECT_EQ(program.settings.CPUDelay, 5);
    EXPECT_FALSE(program.EndStatus());
}

TEST(ConfigWindow, TheCountdownTextShowsOnlyInTheLastNinetySeconds) {
    ConfigRig rig;
    rig.Open();
    for (int i = 0; i < 510; ++i) rig.window->Timer1_Timer();
    EXPECT_EQ(rig.Label("TMessage").text(), "");
    rig.window->Timer1_Timer();
    EXPECT_EQ(rig.Label("TMessage").text(), "The Configuration Screen will close in 90 sec");
}

TEST(ConfigWindow, ViewLogStartsTheViewerOrSaysWhyNot) {
    ConfigRig rig;
    rig.Open();
    rig.Button("ViewL").click();
    ASSERT_EQ(rig.launcher.files.size(), 1u);
    EXPECT_EQ(fs::path(rig.launcher.files[0]),
              fs::canonical(rig.folder.Path() / "Log" / "Nodrel.log"));
    EXPECT_TRUE(rig.effects.messages.empty());

    rig.launcher.viewerInstalled = false;
    rig.Button("ViewL").click();
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_EQ(rig.effects.messages[0].title, "Nodrel Log File Error");
    EXPECT_NE(rig.effects.messages[0].text.find("xdg-open"), std::string::npos);
    EXPECT_TRUE(rig.window->isVisible());
    EXPECT_FALSE(rig.program.EndStatus());
}

TEST(ConfigWindow, ViewLogWithLoggingOffShowsTheInformationBox) {
    ConfigRig rig(Overrides{{"LogLevel", "1"}});
    rig.Open();
    rig.Button("ViewL").click();
    ASSERT_EQ(rig.effects.messages.size(), 1u);
    EXPECT_EQ(rig.effects.messages[0].style, box::Information);
    EXPECT_EQ(rig.effects.messages[0].title, "Nodrel Log File Error");
    EXPECT_EQ(rig.effects.messages[0].text,
              "Logging is set to None. There\r\nis no information to display.");
    EXPECT_TRUE(rig.launcher.files.empty());
    EXPECT_TRUE(rig.window->isVisible());
    EXPECT_TRUE(rig.program.DialogOpen);
    EXPECT_FALSE(rig.program.EndStatus());
}

TEST(ConfigWindow, ViewLogWithTheLogGoneEndsTheProgramAfterTheMessage) {
    struct Case {
        const char* removed;
        const char* title;
        std::string text;
    };
    const Case cases[] = {
        {"Log/Nodrel.log", "Nodrel Log File Error",
         "The log file is either missing or\r\ncorrupted. Delete the log file if\r\n"
         "it exists and restart the program.\r\nThe program will now terminate."},
        {"Log", "Nodrel Log Directory Error",
         "The log directory does not exist. This\r\ndirectory must be created manually if\r\n"
         "it is not the default one. To restore\r\nthe default log directory reinstall\r\n"
         "the program.\r\nThe program will now terminate."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.removed);
        ConfigRig rig;
        rig.Open();
        fs::remove_all(rig.folder.Path() / c.removed);
        rig.Button("ViewL").click();

        ASSERT_EQ(rig.effects.messages.size(), 1u);
        EXPECT_EQ(rig.effects.messages[0].style, box::Exclamation);
        EXPECT_EQ(rig.effects.messages[0].title, c.title);
        EXPECT_EQ(rig.effects.messages[0].text, c.text);
        EXPECT_TRUE(rig.launcher.files.empty());
        EXPECT_EQ(rig.program.EndStatus(), 1);
        EXPECT_EQ(rig.effects.ended, 1);
        EXPECT_FALSE(rig.window->isVisible());
        // The timer stopped before the message, the tray icon went after it.
        const auto& events = rig.effects.events;
        const auto message = std::find(events.begin(), events.end(), "message");
        EXPECT_NE(std::find(events.begin(), message, "timer off"), message);
        EXPECT_NE(std::find(message, events.end(), "tray remove"), events.end());
    }
}

TEST(ConfigWindow, AFailedWriteShowsTheMessageReloadsTheFieldsAndRunsOn) {
    // A missing Data folder, and a file name taken by a folder (as good as write-protected,
    // also for root).
    const std::function<void(const fs::path&)> blockers[] = {
        [](const fs::path& data) { fs::remove_all(data); },
        [](const fs::path& data) {
            fs::remove(data / "Nodrel4.ini");
            fs::create_directory(data / "Nodrel4.ini");
        },
    };
    for (const auto& block : blockers) {
        ConfigRig rig;
        rig.Open();
        block(rig.folder.Path() / "Data");
        rig.Edit("CPUDelayT").setText("40");
        rig.Edit("IPAddT").setText("10.0.0.4");
        rig.Button("Save").click();

        ASSERT_EQ(rig.effects.messages.size(), 1u);
        EXPECT_EQ(rig.effects.messages[0].style, box::Exclamation);
        EXPECT_EQ(rig.effects.messages[0].title, "Nodrel Configuration File Error");
        EXPECT_EQ(rig.effects.messages[0].text,
                  "Unable to write to the configuration file. Data/Nodrel4.ini\r\n"
                  "This may be a permissions problem.");
        EXPECT_EQ(rig.Edit("CPUDelayT").text(), "5");
        EXPECT_EQ(rig.Edit("IPAddT").text(), "");
        EXPECT_EQ(rig.StatusText(), "");
        EXPECT_FALSE(rig.program.SettingsSaved);
        EXPECT_FALSE(rig.program.EndStatus());
        EXPECT_TRUE(rig.window->isVisible());

        // Close then leaves the program as it was.
        rig.Button("ExitConfig").click();
        EXPECT_FALSE(rig.program.DialogOpen);
        EXPECT_FALSE(rig.program.EndStatus());
        EXPECT_EQ(rig.program.settings.CPUDelay, 5);
    }
}

// Every control of both layouts lies inside the window and clear of every other.
TEST(ConfigWindow, EveryControlIsShownInsideTheWindowWithoutOverlap) {
    const std::pair<const char*, Overrides> layouts[] = {
        {"master", {{"IPAdd", "10.0.0.9"}}},
        {"slave", {{"CMain", "2"}, {"IPAdd", "10.0.0.1"}, {"ShutType", "4"}}},
    };
    for (const auto& [role, overrides] : layouts) {
        SCOPED_TRACE(role);
        ConfigRig rig(overrides);
        frmConfig& window = rig.Open();
        QApplication::processEvents();

        std::vector<QWidget*> controls;
        for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(&window)) controls.push_back(child);
        }
        ASSERT_GE(controls.size(), 40u);
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const QRect box = controls[i]->geometry();
            const std::string name = (controls[i]->objectName().isEmpty()
                                          ? controls[i]->property("text").toString()
                                          : controls[i]->objectName())
                                         .toStdString();
            EXPECT_TRUE(window.rect().contains(box)) << name;
            EXPECT_FALSE(box.isEmpty()) << name;
            for (std::size_t j = i + 1; j < controls.size(); ++j) {
                EXPECT_FALSE(box.intersects(controls[j]->geometry()))
                    << name << " / " << controls[j]->objectName().toStdString()
                    << controls[j]->property("text").toString().toStdString();
            }
        }
    }
}

TEST(ConfigWindow, TheLogoOpensTheHomePage) {
    ConfigRig rig;
    rig.Open();
    QLabel& logo = rig.Label("Logo");
    const QPointF inside(4, 4);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, logo.mapToGlobal(inside),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&logo, &release);
    EXPECT_EQ(rig.launcher.urls, std::vector<std::string>{HomePageAddress});
}

}  // namespace
}  // namespace nodrel::testing
