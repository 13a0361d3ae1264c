// The configuration window over a program started from a scratch folder with the fakes. Its
// decisions, the file's text and what Close does to the cycle are the core's, in tests/unit;
// here: that the window draws them and its controls reach the program.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <filesystem>
#include <memory>

#include "desktop_rig.h"
#include "frontends/nodrel/frm_config.h"

namespace nodrel::qt {
namespace {

struct ConfigRig : Rig {
    std::unique_ptr<frmConfig> window;

    explicit ConfigRig(const Overrides& overrides = {}) { EXPECT_TRUE(Start(overrides)); }
    frmConfig& Open(bool isAdmin = true) {
        window = std::make_unique<frmConfig>(program, isAdmin);
        window->show();
        return *window;
    }
    template <class T = QWidget>
    T& Get(const char* name) const {
        return *window->findChild<T*>(name);
    }
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
    // Every control as the model says.
    void ExpectDrawn() const {
        const ConfigWindow& model = window->Model();
        for (std::size_t i = 0; i < kConfigRows.size(); ++i) {
            const ConfigRow& row = kConfigRows[i];
            const RowLook& look = model.Look(i);
            const std::string input(row.input);
            SCOPED_TRACE(input);
            if (!row.captionName.empty()) {
                EXPECT_EQ(Shown(row.captionName.data()), look.caption);
            }
            const QWidget& control = Get(input.c_str());
            EXPECT_EQ(control.toolTip().toStdString(), look.tip);
            if (row.kind == InputKind::TickBox) {
                EXPECT_EQ(Shown(input.c_str()), TickIn(model.Fields(), row) ? "true" : "false");
            } else {
                EXPECT_EQ(Shown(input.c_str()), TextIn(model.Fields(), row));
            }
            if (const auto* field = qobject_cast<const QLineEdit*>(&control)) {
                EXPECT_EQ(field->isReadOnly(), look.locked);
            }
            if (!row.note) continue;
            // A marked note orange and bold, any other green.
            const auto& note = Get<QLabel>(row.noteName.data());
            EXPECT_EQ(TextOf(&note), look.note);
            EXPECT_EQ(Fore(&note), look.marked ? kOrangeColour : QColor(0, 102, 0));
            EXPECT_EQ(note.font().bold(), look.marked);
        }
        for (std::size_t i = 0; i < kConfigButtons.size(); ++i) {
            const QWidget& button = Get(kConfigButtons[i].name.data());
            EXPECT_EQ(button.toolTip().toStdString(), model.Button(i).tip);
            EXPECT_EQ(button.isEnabled(), model.Button(i).enabled);
        }
        EXPECT_EQ(Shown("Status"), model.Status());
        EXPECT_EQ(Shown("TMessage"), model.Countdown());
        EXPECT_EQ(window->windowTitle().toStdString(), model.Caption());
    }
};

// Modal, with the cycle paused; the logo opens the home page; Save and Restore for
// administrators only. The title bar's close applies the save as Close does (which it
// calls); Close reaches the program.
TEST(ConfigWindow, OpensModalOnlyAnAdministratorMaySaveAndEachCloseReachesTheProgram) {
    ConfigRig rig;
    EXPECT_TRUE(rig.Open().isModal() && rig.program.State().DialogOpen);
    Click(&rig.Get<QLabel>("Logo"));
    EXPECT_THAT(rig.launcher.urls, ElementsAre(HomePageAddress));
    EXPECT_TRUE(rig.Get("Save").isEnabled() && rig.Get("Restore").isEnabled());
    rig.Edit("CPUDelayT", "40");
    rig.Press("Save");
    rig.window->close();
    EXPECT_EQ(rig.program.State().settings.CPUDelay, 40);
    rig.Open(false);
    EXPECT_FALSE(rig.Get("Save").isEnabled() || rig.Get("Restore").isEnabled());
    EXPECT_TRUE(rig.Get("ViewL").isEnabled());
    rig.Press("ExitConfig");
    EXPECT_FALSE(rig.program.State().DialogOpen || rig.window->isVisible());
}

// The window draws its model: every row's caption, tip, value, note and the note's look,
// the buttons and the status line, after each event its controls pass on to the model. The
// status line clears two seconds after Save.
TEST(ConfigWindow, DrawsTheModelAfterEachEventItsControlsPassOn) {
    ConfigRig rig({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}, {"ShutType", "4"}});
    rig.Open();
    rig.ExpectDrawn();
    EXPECT_NE(rig.Shown("Status"), "") << "marks to draw";
    rig.Edit("AvTimeT", "31");
    rig.Press("Save");
    rig.ExpectDrawn();
    rig.Get<QCheckBox>("DNameT").click();
    rig.ExpectDrawn();
    rig.Get<QComboBox>("ShutNameT").setCurrentText("Reboot");
    rig.ExpectDrawn();
    rig.Press("Restore");
    rig.ExpectDrawn();
    EXPECT_NE(rig.Shown("AvTimeT"), "31") << "Restore reached the model";
    rig.Edit("IPAddT", "partner");
    rig.Press("Save");
    rig.ExpectDrawn();
    const auto& statusTimer = rig.Get<QTimer>("Timer2");
    ASSERT_TRUE(statusTimer.isActive() && statusTimer.interval() == 2000) << "two seconds";
    rig.window->Timer2_Timer();
    EXPECT_FALSE(statusTimer.isActive() || !rig.Shown("Status").empty()) << rig.Shown("Status");
}

// View Log reaches the program (the viewer, or why not: tests/unit); a box that ends the
// program (the log folder gone) closes the window.
TEST(ConfigWindow, ViewLogReachesTheProgramAndAnEndClosesTheWindow) {
    ConfigRig rig;
    rig.Open();
    rig.Press("ViewL");
    EXPECT_EQ(rig.launcher.files.size(), 1u);
    std::filesystem::remove_all("Log");
    rig.Press("ViewL");
    EXPECT_FALSE(rig.window->isVisible());
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
}  // namespace nodrel::qt
