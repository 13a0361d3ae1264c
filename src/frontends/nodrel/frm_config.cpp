#include "frontends/nodrel/frm_config.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "frontends/nodrel/nodrel_main.h"
#include "frontends/nodrel/pictures.h"
#include "frontends/nodrel/qt_text.h"

namespace nodrel::qt {

namespace {

constexpr int kCountdownMs = 1000;
constexpr int kStatusMs = 2000;

std::string S(const QString& text) {
    return text.toStdString();
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
    palette.setColor(QPalette::WindowText, ToQColor(kOrange));
    label->setPalette(palette);
    return label;
}

// Bold when the note's field failed its check.
void SetNoteLook(QLabel* note, const RowLook& look) {
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, ToQColor(look.NoteColour()));
    note->setPalette(palette);
    QFont font = note->font();
    font.setBold(look.marked);
    note->setFont(font);
}

QWidget* MakeInput(const ConfigRow& row, QWidget* parent) {
    switch (row.kind) {
        case InputKind::TickBox:
            return new QCheckBox(parent);
        case InputKind::List: {
            auto* list = new QComboBox(parent);
            list->setEditable(false);
            for (const std::string& item : ListItems(row)) list->addItem(ToQString(item));
            list->setCurrentIndex(-1);  // nothing chosen until the settings are loaded
            return list;
        }
        case InputKind::Number:
        case InputKind::Name:
        case InputKind::Wide:
            break;
    }
    auto* field = new QLineEdit(parent);
    if (row.kind == InputKind::Number) field->setFixedWidth(60);
    if (row.kind == InputKind::Name) field->setFixedWidth(150);
    return field;
}

// An input and the note beside it, packed to the left.
QHBoxLayout* Beside(QWidget* input, QWidget* note) {
    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    line->addWidget(input);
    if (note) line->addWidget(note);
    line->addStretch(1);
    return line;
}

}  // namespace

frmConfig::frmConfig(Nodrel& program, bool isAdmin, QWidget* parent)
    : QDialog(parent), program_(program), model_(program.ConfigOpened(), isAdmin) {
    setObjectName("frmConfig");
    setModal(true);
    BuildControls();
    model_.Load();
    // Form_Activate: kept above all others when the main window is.
    setWindowFlag(Qt::WindowStaysOnTopHint, model_.OnTop());
    Draw();
    Timer1->start();
}

frmConfig::~frmConfig() {
    // However the window goes, the cycle must not stay paused.
    if (!closed_) program_.DialogClosed();
}

void frmConfig::BuildControls() {
    TMessage = SignalLabel("TMessage", this);
    Status = SignalLabel("Status", this);
    auto* logo = new PictureLabel(kLogoPath, QSize(48, 48), this);
    logo->setObjectName("Logo");
    logo->onClick = [this] { Logo_Click(); };
    Logo = logo;
    for (std::size_t i = 0; i < kConfigRows.size(); ++i) BuildRow(i);
    for (std::size_t i = 0; i < kConfigButtons.size(); ++i) {
        auto* button = new QPushButton(ToQString(kConfigButtons[i].caption), this);
        button->setObjectName(ToQString(kConfigButtons[i].name));
        // Return in a field must not press a button.
        button->setAutoDefault(false);
        button->setDefault(false);
        buttons_[i] = button;
    }
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kCountdownMs);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(kStatusMs);
    LayOut();
    Connect();
}

void frmConfig::BuildRow(std::size_t row) {
    const ConfigRow& design = kConfigRows[row];
    RowControls& controls = rows_[row];
    controls.caption = new QLabel(ToQString(design.caption), this);
    if (!design.captionName.empty()) controls.caption->setObjectName(ToQString(design.captionName));
    controls.input = MakeInput(design, this);
    controls.input->setObjectName(ToQString(design.input));
    if (design.note) {
        controls.note = new QLabel(ToQString(design.noteText), this);
        controls.note->setObjectName(ToQString(design.noteName));
    }
}

void frmConfig::LayOut() {
    // One grid, so the captions line up through the three sections: the caption, the input
    // with its note, and a right column for the tick boxes.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(1, 1);
    int line = 0;
    std::optional<WindowSection> section;
    for (std::size_t i = 0; i < kConfigRows.size(); ++i) {
        if (kConfigRows[i].section != section) {
            section = kConfigRows[i].section;
            PlaceHeading(*grid, kConfigRows[i], line);
        }
        PlaceRow(*grid, i, line);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(TMessage, 1, Qt::AlignVCenter);
    top->addWidget(Logo, 0, Qt::AlignTop | Qt::AlignRight);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : buttons_) buttons->addWidget(button);
    auto* whole = new QVBoxLayout(this);
    whole->addLayout(top);
    whole->addLayout(grid);
    whole->addStretch(1);
    whole->addWidget(Status);
    whole->addLayout(buttons);
    resize(std::max(503, sizeHint().width()), std::max(469, sizeHint().height()));
}

void frmConfig::PlaceHeading(QGridLayout& grid, const ConfigRow& first, int& line) {
    if (line > 0) grid.setRowMinimumHeight(line++, 8);
    QLabel* heading =
        BoldLabel(ToQString(kWindowSectionHeadings[static_cast<std::size_t>(first.section)]), this);
    // A row placed beside the heading takes the rest of its line.
    if (first.place == RowPlace::Heading) {
        grid.addWidget(heading, line, 0);
    } else {
        grid.addWidget(heading, line++, 0, 1, 4);
    }
}

void frmConfig::PlaceRow(QGridLayout& grid, std::size_t row, int& line) {
    const RowControls& c = rows_[row];
    const bool rightColumnFollows =
        row + 1 < kConfigRows.size() && kConfigRows[row + 1].place == RowPlace::RightColumn;
    switch (kConfigRows[row].place) {
        case RowPlace::Line:
            grid.addWidget(c.caption, line, 0);
            grid.addLayout(Beside(c.input, c.note), line, 1, 1, rightColumnFollows ? 1 : 3);
            if (!rightColumnFollows) ++line;
            break;
        case RowPlace::RightColumn:
            grid.addWidget(c.caption, line, 2, Qt::AlignRight);
            grid.addWidget(c.input, line++, 3);
            break;
        case RowPlace::NoteBelow:
            grid.addWidget(c.caption, line, 0);
            grid.addWidget(c.input, line++, 1, 1, 3);
            grid.addWidget(c.note, line++, 1, 1, 3);
            break;
        case RowPlace::Heading:
            grid.addLayout(Beside(c.caption, c.input), line++, 1, 1, 3);
            break;
    }
}

void frmConfig::Connect() {
    for (std::size_t i = 0; i < kConfigRows.size(); ++i) {
        QWidget* input = rows_[i].input;
        if (kConfigRows[i].input == "DNameT") {
            connect(static_cast<QCheckBox*>(input), &QCheckBox::toggled, this,
                    [this] { Handle([this] { model_.DomainNameClicked(); }); });
        } else if (kConfigRows[i].input == "ShutNameT") {
            connect(static_cast<QComboBox*>(input), &QComboBox::currentIndexChanged, this,
                    [this] { Handle([this] { model_.ShutNameClicked(); }); });
        }
    }
    const std::array<void (frmConfig::*)(), kConfigButtons.size()> clicks = {
        &frmConfig::ViewL_Click, &frmConfig::Restore_Click, &frmConfig::Save_Click,
        &frmConfig::ExitConfig_Click};
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        connect(buttons_[i], &QPushButton::clicked, this,
                [this, click = clicks[i]] { (this->*click)(); });
    }
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });
}

void frmConfig::Handle(const std::function<void()>& event) {
    TakeFields();
    event();
    Draw();
}

void frmConfig::TakeFields() {
    ConfigFields& fields = model_.Fields();
    for (std::size_t i = 0; i < kConfigRows.size(); ++i) {
        const ConfigRow& row = kConfigRows[i];
        QWidget* input = rows_[i].input;
        if (row.kind == InputKind::TickBox) {
            TickIn(fields, row) = static_cast<QCheckBox*>(input)->isChecked() ? 1 : 0;
        } else if (row.kind == InputKind::List) {
            TextIn(fields, row) = S(static_cast<QComboBox*>(input)->currentText());
        } else {
            TextIn(fields, row) = S(static_cast<QLineEdit*>(input)->text());
        }
    }
}

void frmConfig::Draw() {
    setWindowTitle(ToQString(model_.Caption()));
    for (std::size_t i = 0; i < kConfigRows.size(); ++i) DrawRow(i);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setToolTip(ToQString(model_.Button(i).tip));
        buttons_[i]->setEnabled(model_.Button(i).enabled);
    }
    TMessage->setText(ToQString(model_.Countdown()));
    Status->setText(ToQString(model_.Status()));
    if (model_.TakeStatusTimerStart()) Timer2->start();
}

void frmConfig::DrawRow(std::size_t row) {
    const ConfigRow& design = kConfigRows[row];
    const RowLook& look = model_.Look(row);
    const RowControls& c = rows_[row];
    const ConfigFields& fields = model_.Fields();
    c.caption->setText(ToQString(look.caption));
    c.input->setToolTip(ToQString(look.tip));
    // Only the user's changes are events of the window.
    const QSignalBlocker quiet(c.input);
    if (design.kind == InputKind::TickBox) {
        static_cast<QCheckBox*>(c.input)->setChecked(TickIn(fields, design) == 1);
    } else if (design.kind == InputKind::List) {
        auto* list = static_cast<QComboBox*>(c.input);
        list->setCurrentIndex(list->findText(ToQString(TextIn(fields, design))));  // -1: nothing
    } else {
        auto* field = static_cast<QLineEdit*>(c.input);
        const QString text = ToQString(TextIn(fields, design));
        if (field->text() != text) field->setText(text);  // keeps the cursor where it is
        field->setReadOnly(look.locked);
        if (look.locked) {
            QPalette palette = field->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Button));
            field->setPalette(palette);
        }
    }
    if (c.note) {
        c.note->setText(ToQString(look.note));
        SetNoteLook(c.note, look);
    }
}

void frmConfig::Save_Click() {
    Handle([this] { program_.ConfigSave(model_); });
}

void frmConfig::Restore_Click() {
    Handle([this] { model_.Restore(); });
}

void frmConfig::ViewL_Click() {
    TakeFields();
    runEvent([this] { program_.ConfigViewLog(model_); });
    if (program_.EndStatus()) {
        CloseWindow();
        return;
    }
    Draw();
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
    if (!program_.State().DialogOpen) {
        // The tick's self-close: the program has already let go of the window.
        CloseWindow();
        return;
    }
    ExitConfig_Click();
}

void frmConfig::Timer1_Timer() {
    Handle([this] { model_.Second(program_.ConfigSecond()); });
}

void frmConfig::Timer2_Timer() {
    Timer2->stop();
    Handle([this] { model_.StatusTimeUp(); });
}

void frmConfig::Logo_Click() {
    runEvent([this] { program_.OpenHomePage("Nodrel"); });
}

}  // namespace nodrel::qt
