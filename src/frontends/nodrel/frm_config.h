#pragma once
// frmConfig: the configuration window. Shows every setting but the link role, checks the
// fields, saves them to Data/Nodrel4.ini, restores the defaults into the fields and opens
// the log. Modal; the monitoring cycle pauses while it is open (Nodrel::DialogOpen), and
// the main window's tick closes it when Nodrel::DialogTimeout has run out.
#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "app/effects.h"
#include "app/launcher.h"
#include "app/nodrel.h"
#include "common/clock.h"
#include "config/config_fields.h"
#include "config/validation.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace nodrel {

class PictureLabel;

// What the window needs besides the program.
struct ConfigWindowOutside {
    Effects& effects;            // message boxes, the same as the program's
    Clock& clock;                // the date and time written into the file
    Launcher* launcher;          // starts the viewer on the log; none: no viewer
    bool isAdmin = false;        // Save and Restore are for administrators only
};

class frmConfig : public QDialog {
    Q_OBJECT

public:
    frmConfig(Nodrel& program, ConfigWindowOutside outside, QWidget* parent = nullptr);
    ~frmConfig() override;

    // Runs an event of the program that may show a message box or change the main
    // window (Close's re-initialisation, the end of the program, the home page); the main
    // window sets it so that it draws itself afterwards.
    std::function<void(const std::function<void()>&)> runEvent =
        [](const std::function<void()>& event) { event(); };

    // The controls' values from the settings as the file holds them; takes the loaded
    // signature.
    void Data_Load();
    // Clears the marks, then checks every field and marks the notes of those that fail;
    // starts the status timer. Returns the number of failed rules. A port error counts
    // only when asked (at opening): Save checks the fields, and leaves the error to the
    // next bind.
    int ValidateFields(bool withPortError);
    // The fields as they stand, with the window's level and power-action codes.
    ConfigFields Fields() const;

    // The buttons and the timers, as their events run them.
    void Save_Click();
    void Restore_Click();
    void ViewL_Click();
    void ExitConfig_Click();
    void Timer1_Timer();
    void Timer2_Timer();

    // Escape and the title bar's close button take the Close button's way out, unless the
    // program has already taken the window as closed (the tick's self-close).
    void reject() override;

private:
    void BuildControls();
    void SetSlaveLayout();
    // The given values into the controls, all but the address and its kind.
    void ShowFields(const ConfigFields& fields);
    void ShowAddressNotes();
    // Every note back to its plain look and text, the address and shutdown-type notes as
    // the fields now stand.
    void ResetNotes();
    void ShowShutTypeNote();
    void DNameT_Click();
    void ShutNameT_Click();
    void Logo_Click();
    void SetNoteLook(QLabel* note, bool highlighted);
    void CloseWindow();
    bool FolderExists(const std::string& path) const;

    Nodrel& program_;
    ConfigWindowOutside outside_;

    // Window members, fresh with every opening.
    int LogLevelCode = 0;
    int ShutTypeCode = 0;
    std::string LoadedSignature;
    bool closed_ = false;

    QLabel* TMessage = nullptr;
    PictureLabel* Logo = nullptr;
    QLineEdit* AvTimeT = nullptr;
    QLabel* AvTimeM = nullptr;
    QLabel* CPUDelayL = nullptr;
    QLineEdit* CPUDelayT = nullptr;
    QLabel* CPUDelayM = nullptr;
    QLineEdit* CPULevelT = nullptr;
    QLabel* CPULevelM = nullptr;
    QComboBox* LogLevelT = nullptr;
    QLabel* LogLevelM = nullptr;
    QLineEdit* LogNameT = nullptr;
    QLabel* LogNameM = nullptr;
    QLineEdit* LogPathT = nullptr;
    QLabel* LogPathM = nullptr;
    QLineEdit* StartDelayT = nullptr;
    QLabel* StartDelayM = nullptr;
    QCheckBox* RunOnTopT = nullptr;
    QCheckBox* StartMinT = nullptr;
    QLineEdit* ShutTimeT = nullptr;
    QLabel* ShutTimeM = nullptr;
    QComboBox* ShutNameT = nullptr;
    QLabel* ShutTypeM = nullptr;
    QCheckBox* DNameT = nullptr;
    QLabel* IPAddL = nullptr;
    QLineEdit* IPAddT = nullptr;
    QLabel* IPAddM = nullptr;
    QLineEdit* Port1T = nullptr;
    QLabel* Port1M = nullptr;
    QLabel* Status = nullptr;
    // The notes above again, in the order of Note.
    std::array<QLabel*, static_cast<std::size_t>(Note::Count_)> notes_{};
    QPushButton* ViewL = nullptr;
    QPushButton* Restore = nullptr;
    QPushButton* Save = nullptr;
    QPushButton* ExitConfig = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
};

}  // namespace nodrel
