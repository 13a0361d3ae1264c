#include "frm_config.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

#include "config/config_writer.h"
#include "config/settings.h"
#include "log/log_file.h"
#include "pictures.h"

namespace nodrel {

namespace {

namespace fs = std::filesystem;

const QColor kOrange(255, 128, 0);
const QColor kNoteGreen(0, 102, 0);

constexpr int kMaster = 1;
constexpr int kSlave = 2;
constexpr int kLevelNone = 1;
constexpr int kCountdownMs = 1000;
constexpr int kStatusMs = 2000;
constexpr int kNumberWidth = 60;

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

enum class Presence { There, Missing, Unknown };

// Whether the path names an entry of the wanted kind; Unknown when the system would not say.
Presence Probe(const fs::path& path, bool wantFolder) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return Presence::Missing;
    if (error) return Presence::Unknown;
    const bool folder = fs::is_directory(status);
    return folder == wantFolder ? Presence::There : Presence::Missing;
}

QLabel* BoldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// TMessage and Status: orange, bold, empty until there is something to say.
QLabel* SignalLabel(const char* name, QWidget* parent) {
    QLabel* label = BoldLabel(QString(), parent);
    label->setObjectName(name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kOrange);
    label->setPalette(palette);
    return label;
}

QLineEdit* Field(const char* name, const char* tip, int width, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setToolTip(tip);
    if (width > 0) field->setFixedWidth(width);
    return field;
}

QCheckBox* TickBox(const char* name, const char* tip, QWidget* parent) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    box->setToolTip(tip);
    return box;
}

QComboBox* List(const char* name, const char* tip, const QStringList& items, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setToolTip(tip);
    list->setEditable(false);
    list->addItems(items);
    list->setCurrentIndex(-1);  // nothing chosen until the settings are loaded
    return list;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Return in a field must not press a button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// An input and the note beside it, packed to the left.
QHBoxLayout* Beside(QWidget* input, QWidget* note) {
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(input);
    if (note) row->addWidget(note);
    row->addStretch(1);
    return row;
}

}  // namespace

frmConfig::frmConfig(Nodrel& program, ConfigWindowOutside outside, QWidget* parent)
    : QDialog(parent), program_(program), outside_(outside) {
    setObjectName("frmConfig");
    setModal(true);
    BuildControls();

    // Form_Load.
    if (outside_.isAdmin) {
        Save->setEnabled(true);
        Restore->setEnabled(true);
    }
    const std::string& title = program_.ProgTitle;
    Restore->setToolTip(Q("Restore " + title +
                          " Default Configuration Values (Does not restore or delete any "
                          "computer address set)"));
    Save->setToolTip(Q("Save " + title +
                       " Configuration Values (The program will be reset when you close this "
                       "screen if values have been changed)"));
    ExitConfig->setToolTip(Q("Close " + title + " Configuration Screen"));
    TMessage->setText(QString());
    program_.ConfigOpened();
    Data_Load();
    setWindowTitle(Q("Configure " + title));
    if (program_.settings.CMain == kSlave) SetSlaveLayout();
    const int failures = ValidateFields(true);
    // A save not yet applied stays pending: the next Close (or self-close) applies it.
    if (failures > 0) {
        Status->setText(QString::number(failures) +
                        " Item(s) Highlighted Contain Out Of Range Values");
    }
    // Form_Activate: kept above all others when the main window is.
    setWindowFlag(Qt::WindowStaysOnTopHint, program_.settings.RunOnTop == 2);
    Timer1->start();
}

frmConfig::~frmConfig() {
    // However the window goes, the cycle must not stay paused.
    if (!closed_) program_.DialogClosed();
}

void frmConfig::BuildControls() {
    TMessage = SignalLabel("TMessage", this);
    Status = SignalLabel("Status", this);

    Logo = new PictureLabel(LogoPath, QSize(48, 48), this);
    Logo->setObjectName("Logo");
    Logo->onClick = [this] { Logo_Click(); };

    // A note beside an input, kept under its Note as well for the field check to mark.
    const auto noteLabel = [this](Note which, const char* name, const char* text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        notes_[static_cast<std::size_t>(which)] = label;
        return label;
    };
    AvTimeT = Field("AvTimeT", "CPU Averaging Period", kNumberWidth, this);
    AvTimeM = noteLabel(Note::AvTimeM, "AvTimeM", "seconds ( min 1, max 30)");
    CPUDelayL = new QLabel("CPU Delay:", this);
    CPUDelayL->setObjectName("CPUDelayL");
    CPUDelayT = Field("CPUDelayT",
                      "Time for CPU Load to be less than the CPU Threshold before shutdown "
                      "initiated",
                      kNumberWidth, this);
    CPUDelayM = noteLabel(Note::CPUDelayM, "CPUDelayM", "seconds (min 5, max 1800)");
    CPULevelT = Field("CPULevelT", "CPU Threshold", kNumberWidth, this);
    CPULevelM = noteLabel(Note::CPULevelM, "CPULevelM", "% (min 5, max 50)");
    LogLevelT = List("LogLevelT", "Log level", {"Full", "None", "Normal"}, this);
    LogLevelM = noteLabel(Note::LogLevelM, "LogLevelM",
                          "(Setting this to full will generate big log files)");
    LogNameT = Field("LogNameT", "Log file name", 150, this);
    LogNameM = noteLabel(Note::LogNameM, "LogNameM", "(Between 8 and 20 characters)");
    LogPathT = Field("LogPathT",
                     "Path to log file (either an absolute path or relative to the Program "
                     "Directory)",
                     0, this);
    LogPathM = noteLabel(Note::LogPathM, "LogPathM",
                         "(Must exist and be between 1 and 99 characters plus '\\')");
    StartDelayT = Field("StartDelayT", "Delay after startup before program  is activated",
                        kNumberWidth, this);
    StartDelayM = noteLabel(Note::StartDelayM, "StartDelayM", "seconds (min 1, max 3600)");
    RunOnTopT = TickBox("RunOnTopT",
                        "Set program to Run On Top (Run in System Tray takes priority)", this);
    StartMinT = TickBox("StartMinT",
                        "Set program to Run Minimised in System Tray (takes priority over Run "
                        "On Top)",
                        this);

    ShutTimeT = Field("ShutTimeT",
                      "Time before shutdown occurs after the shutdown sequence has started",
                      kNumberWidth, this);
    ShutTimeM = noteLabel(Note::ShutTimeM, "ShutTimeM", "seconds (min 2, max 600)");
    ShutNameT = List("ShutNameT", "Type of Shutdown",
                     {"Hibernate", "Monitor", "Power Off", "Reboot", "Shutdown", "Standby"}, this);
    ShutTypeM = noteLabel(Note::ShutTypeM, "ShutTypeM", "");

    DNameT = TickBox("DNameT", "Check to enter domain name instead of IP address", this);
    IPAddL = new QLabel("IP Address:", this);
    IPAddL->setObjectName("IPAddL");
    IPAddT = Field("IPAddT", "IP Address of computer to communicate with", 150, this);
    IPAddM = noteLabel(Note::IPAddM, "IPAddM", "");
    Port1T = Field("Port1T",
                   "Port used to communicate on - only change this if there is a clash with "
                   "another program",
                   kNumberWidth, this);
    Port1M = noteLabel(Note::Port1M, "Port1M", "(An unused port between 1024 and 65535)");

    ViewL = Button("ViewL", "View Log", this);
    ViewL->setToolTip("View log file (It will not be updated while open)");
    Restore = Button("Restore", "Restore", this);
    Restore->setEnabled(false);
    Save = Button("Save", "Save", this);
    Save->setEnabled(false);
    ExitConfig = Button("ExitConfig", "Close", this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kCountdownMs);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(kStatusMs);

    for (QLabel* note : notes_) SetNoteLook(note, false);

    // The layout: one grid, so the captions line up through the three sections.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(1, 1);
    int row = 0;
    const auto caption = [&](const char* text, int at) {
        grid->addWidget(new QLabel(text, this), at, 0);
    };
    const auto heading = [&](const char* text) {
        if (row > 0) grid->setRowMinimumHeight(row++, 8);
        grid->addWidget(BoldLabel(text, this), row++, 0, 1, 4);
    };

    heading("General");
    caption("CPU Averaging Over:", row);
    grid->addLayout(Beside(AvTimeT, AvTimeM), row, 1);
    grid->addWidget(new QLabel(" Run On Top:", this), row, 2, Qt::AlignRight);
    grid->addWidget(RunOnTopT, row++, 3);
    grid->addWidget(CPUDelayL, row, 0);
    grid->addLayout(Beside(CPUDelayT, CPUDelayM), row, 1);
    grid->addWidget(new QLabel("Run in System Tray:", this), row, 2, Qt::AlignRight);
    grid->addWidget(StartMinT, row++, 3);
    caption("CPU Threshold:", row);
    grid->addLayout(Beside(CPULevelT, CPULevelM), row++, 1, 1, 3);
    caption("Log Level:", row);
    grid->addLayout(Beside(LogLevelT, LogLevelM), row++, 1, 1, 3);
    caption("Log File Name:", row);
    grid->addLayout(Beside(LogNameT, LogNameM), row++, 1, 1, 3);
    caption("Path To Log File:", row);
    grid->addWidget(LogPathT, row++, 1, 1, 3);
    grid->addWidget(LogPathM, row++, 1, 1, 3);
    caption("Activate After:", row);
    grid->addLayout(Beside(StartDelayT, StartDelayM), row++, 1, 1, 3);

    heading("Shutdown");
    caption("Shut Down Time:", row);
    grid->addLayout(Beside(ShutTimeT, ShutTimeM), row++, 1, 1, 3);
    caption("Shut Down Type:", row);
    grid->addLayout(Beside(ShutNameT, ShutTypeM), row++, 1, 1, 3);

    grid->setRowMinimumHeight(row++, 8);
    grid->addWidget(BoldLabel("Communications", this), row, 0);
    auto* domain = new QHBoxLayout;
    domain->addWidget(new QLabel("Domain Name:", this));
    domain->addWidget(DNameT);
    domain->addStretch(1);
    grid->addLayout(domain, row++, 1, 1, 3);
    grid->addWidget(IPAddL, row, 0);
    grid->addLayout(Beside(IPAddT, IPAddM), row++, 1, 1, 3);
    caption("Port:", row);
    grid->addLayout(Beside(Port1T, Port1M), row++, 1, 1, 3);

    auto* top = new QHBoxLayout;
    top->addWidget(TMessage, 1, Qt::AlignVCenter);
    top->addWidget(Logo, 0, Qt::AlignTop | Qt::AlignRight);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {ViewL, Restore, Save, ExitConfig}) buttons->addWidget(button);

    auto* whole = new QVBoxLayout(this);
    whole->addLayout(top);
    whole->addLayout(grid);
    whole->addStretch(1);
    whole->addWidget(Status);
    whole->addLayout(buttons);
    resize(std::max(503, sizeHint().width()), std::max(469, sizeHint().height()));

    connect(DNameT, &QCheckBox::toggled, this, [this] { DNameT_Click(); });
    connect(ShutNameT, &QComboBox::currentIndexChanged, this, [this] { ShutNameT_Click(); });
    connect(ViewL, &QPushButton::clicked, this, [this] { ViewL_Click(); });
    connect(Restore, &QPushButton::clicked, this, [this] { Restore_Click(); });
    connect(Save, &QPushButton::clicked, this, [this] { Save_Click(); });
    connect(ExitConfig, &QPushButton::clicked, this, [this] { ExitConfig_Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });
}

void frmConfig::Data_Load() {
    // The file's values, also under "-InhibitShutdown", whose 6 s are the running cycle's.
    const Settings& s = program_.fileSettings;
    const ConfigFields loaded = FieldsFromSettings(s);
    DNameT->setChecked(loaded.DNameT == 1);
    IPAddT->setText(Q(loaded.IPAddT));
    ShowFields(loaded);
    LogLevelCode = loaded.LogLevelT.empty() ? 0 : s.LogLevel;
    ShowShutTypeNote();
    LoadedSignature = FieldSignature(Fields());
}

void frmConfig::ShowFields(const ConfigFields& fields) {
    AvTimeT->setText(Q(fields.AvTimeT));
    CPUDelayT->setText(Q(fields.CPUDelayT));
    CPULevelT->setText(Q(fields.CPULevelT));
    LogNameT->setText(Q(fields.LogNameT));
    LogPathT->setText(Q(fields.LogPathT));
    Port1T->setText(Q(fields.Port1T));
    RunOnTopT->setChecked(fields.RunOnTopT == 1);
    StartMinT->setChecked(fields.StartMinT == 1);
    ShutTimeT->setText(Q(fields.ShutTimeT));
    StartDelayT->setText(Q(fields.StartDelayT));
    if (!fields.LogLevelT.empty()) LogLevelT->setCurrentText(Q(fields.LogLevelT));
    ShutNameT->setCurrentIndex(ShutNameT->findText(Q(fields.ShutNameT)));  // -1: nothing
}

ConfigFields frmConfig::Fields() const {
    ConfigFields fields;
    fields.AvTimeT = S(AvTimeT->text());
    fields.CPUDelayT = S(CPUDelayT->text());
    fields.CPULevelT = S(CPULevelT->text());
    fields.DNameT = DNameT->isChecked() ? 1 : 0;
    fields.IPAddT = S(IPAddT->text());
    fields.LogNameT = S(LogNameT->text());
    fields.LogPathT = S(LogPathT->text());
    fields.Port1T = S(Port1T->text());
    fields.RunOnTopT = RunOnTopT->isChecked() ? 1 : 0;
    fields.StartMinT = StartMinT->isChecked() ? 1 : 0;
    fields.ShutTimeT = S(ShutTimeT->text());
    fields.StartDelayT = S(StartDelayT->text());
    fields.LogLevelT = S(LogLevelT->currentText());
    fields.ShutNameT = S(ShutNameT->currentText());
    fields.LogLevelCode = LogLevelCode;
    fields.ShutTypeCode = ShutTypeCode;
    return fields;
}

void frmConfig::SetSlaveLayout() {
    for (QLineEdit* unused : {AvTimeT, CPULevelT}) {
        QPalette palette = unused->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        unused->setPalette(palette);
        unused->setReadOnly(true);
        unused->setToolTip("Not used in Slave mode");
    }
    CPUDelayT->setToolTip("Time for communications to be lost before shutdown initiated");
    CPUDelayL->setText("Lost Comms Delay");
}

void frmConfig::ShowAddressNotes() {
    const bool slave = program_.settings.CMain == kSlave;
    if (!DNameT->isChecked()) {
        IPAddL->setText("IP Address");
        IPAddT->setToolTip("IP Address of computer to communicate with");
        IPAddM->setText(slave ? "(A valid IP address)" : "(Either empty or a valid IP address)");
    } else {
        IPAddL->setText("Domain Name");
        IPAddT->setToolTip(
            "Domain name of computer to communicate with (less than 100 characters)");
        IPAddM->setText(slave ? "(a valid domain name)"
                              : "(Either empty or a valid domain name)");
    }
}

void frmConfig::SetNoteLook(QLabel* note, bool highlighted) {
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, highlighted ? kOrange : kNoteGreen);
    note->setPalette(palette);
    QFont font = note->font();
    font.setBold(highlighted);
    note->setFont(font);
}

void frmConfig::ResetNotes() {
    for (QLabel* note : notes_) SetNoteLook(note, false);
    ShutTypeM->setText(QString());
    ShowAddressNotes();
    ShowShutTypeNote();
}

void frmConfig::ShowShutTypeNote() {
    ShutTypeCode = 0;
    const int code = ShutTypeCodeOf(S(ShutNameT->currentText()));
    const char* note = nullptr;
    switch (code) {
        case 1:
        case 2:
        case 3:
            note = "(Forces Running Applications To Close)";
            break;
        case 4:
            if (program_.settings.CMain == kSlave) {
                note = "Not Available In Slave Mode";
            } else if (program_.settings.CMain == kMaster) {
                note = DNameT->isChecked() ? "(Only Use With A Valid Domain Name)"
                                           : "(Only Use With A Valid IP Address)";
            }
            break;
        case 5:
        case 6:
            note = "";
            break;
        default:
            break;
    }
    if (note == nullptr) return;  // no row matches: the code stays 0, the note as it was
    ShutTypeCode = code;
    ShutTypeM->setText(note);
}

void frmConfig::DNameT_Click() { ResetNotes(); }

void frmConfig::ShutNameT_Click() { ResetNotes(); }

bool frmConfig::FolderExists(const std::string& path) const {
    return Probe(LocalPath(path), true) == Presence::There;
}

int frmConfig::ValidateFields(bool withPortError) {
    ResetNotes();
    ConfigFields fields = Fields();
    const Validation result =
        nodrel::ValidateFields(fields, program_.settings.CMain, withPortError && program_.PortError,
                               [this](const std::string& path) { return FolderExists(path); });
    LogLevelCode = fields.LogLevelCode;
    ShutTypeCode = fields.ShutTypeCode;
    for (std::size_t i = 0; i < result.notes.size(); ++i) {
        const NoteMark& mark = result.notes[i];
        if (!mark.highlighted) continue;
        QLabel* note = notes_[i];
        SetNoteLook(note, true);
        if (mark.caption) note->setText(Q(*mark.caption));
    }
    Timer2->start();
    return result.failures;
}

void frmConfig::Save_Click() {
    Status->setText(QString());
    if (ValidateFields(false) != 0) {
        Status->setText("Item(s) Highlighted Contain Out Of Range Values - Changes Not Saved");
        return;
    }
    const ConfigFields fields = Fields();
    const std::string signature = FieldSignature(fields);
    const bool changed = signature != LoadedSignature;
    if (fields.StartMinT + 1 != program_.settings.StartMin) program_.WindowOverride = false;
    if (changed) {
        const std::string text = BuildConfigText(fields, program_.settings.CMain,
                                                 FormatStamp(outside_.clock.LocalNow()));
        if (!WriteConfigFile(ConfigFilePath, text)) {
            const Message failure = WriteFailureMessage();
            outside_.effects.ShowMessage(failure.style, program_.ProgTitle + failure.titleSuffix,
                                         failure.text);
            Data_Load();
            return;
        }
        Status->setText("Changes Saved - Click Close To Activate The Changes");
        program_.SettingsSaved = true;
    } else {
        Status->setText("No Changes To Save");
    }
    LoadedSignature = signature;
    Timer2->start();
}

void frmConfig::Restore_Click() {
    ConfigFields defaults = Fields();
    RestoreDefaults(defaults);
    ShowFields(defaults);  // the address stays as it is
    Status->setText("Defaults Restored - Click Save To Keep");
    Timer2->start();
}

void frmConfig::ViewL_Click() {
    const Settings& s = program_.settings;
    const std::string& title = program_.ProgTitle;
    if (s.LogLevel <= kLevelNone) {
        outside_.effects.ShowMessage(box::Information, title + " Log File Error",
                                     JoinLines({"Logging is set to None. There",
                                                "is no information to display."}));
        return;
    }
    const fs::path folder = LocalPath(s.LogPath);
    const fs::path file = LocalPath(s.LogPath + s.LogName);
    Message fatal;
    const Presence folderThere = s.LogPath.empty() ? Presence::There : Probe(folder, true);
    const Presence fileThere = folderThere == Presence::There ? Probe(file, false)
                                                              : Presence::Unknown;
    if (folderThere == Presence::There && fileThere == Presence::There) {
        std::error_code error;
        const fs::path shown = fs::absolute(file, error);
        const std::string path = error ? file.string() : shown.lexically_normal().string();
        if (outside_.launcher && outside_.launcher->OpenFile(path)) return;
        outside_.effects.ShowMessage(
            box::Exclamation, title + " Log File Error",
            JoinLines({"No viewer could be started for the log file", path + ".",
                       "The program xdg-open (package xdg-utils)",
                       "is needed to open it from here."}));
        return;
    }
    if (folderThere == Presence::There && fileThere == Presence::Missing) {
        fatal = LogFailureMessage(LogFailure::FileMissing, s.LogName);
    } else if (folderThere == Presence::Missing) {
        fatal = LogFailureMessage(LogFailure::FolderBeforeStart, s.LogName);
    } else {
        fatal = {box::Exclamation, " Log File Error",
                 JoinLines({"Unable to opem the log file " + s.LogName + ".",
                            "This may be a permissions problem.",
                            "The program will now terminate"})};
    }
    runEvent([this, &fatal] { program_.EndWithMessage(fatal); });
    CloseWindow();
}

void frmConfig::CloseWindow() {
    closed_ = true;
    Timer1->stop();
    Timer2->stop();
    QDialog::done(QDialog::Rejected);
}

void frmConfig::ExitConfig_Click() {
    if (closed_) return;
    CloseWindow();
    runEvent([this] { program_.ConfigClosed(); });
}

void frmConfig::reject() {
    if (closed_) return;
    if (!program_.DialogOpen) {
        // The tick's self-close: the program has already let go of the window.
        CloseWindow();
        return;
    }
    ExitConfig_Click();
}

void frmConfig::Timer1_Timer() {
    const std::string text = program_.ConfigSecond();
    if (!text.empty()) TMessage->setText(Q(text));
}

void frmConfig::Timer2_Timer() {
    Status->setText(QString());
    Timer2->stop();
}

void frmConfig::Logo_Click() {
    runEvent([this] { program_.OpenHomePage("Nodrel"); });
}

}  // namespace nodrel
