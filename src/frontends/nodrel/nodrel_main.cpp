#include "frontends/nodrel/nodrel_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include "frontends/nodrel/frm_about.h"
#include "frontends/nodrel/pictures.h"
#include "frontends/nodrel/qt_text.h"

namespace nodrel::qt {

namespace {

// The layout in pixels: the logo at the left, the three lines beside it, the buttons below.
constexpr int kWindowWidth = 540;
constexpr int kWindowHeight = 108;
constexpr int kMargin = 8;
constexpr int kLogoSide = 60;
constexpr int kLineLeft = kMargin + kLogoSide + 8;
constexpr int kLineHeight = 18;
constexpr int kLineGap = 2;
constexpr int kButtonTop = 74;
constexpr int kButtonWidth = 98;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 8;

constexpr int kFontPoints = 9;

void RenderLabel(QLabel& label, const LabelState& now, const LabelState* before) {
    if (!before || before->caption != now.caption) label.setText(ToQString(now.caption));
    if (!before || before->fore != now.fore || before->back != now.back) {
        QPalette colours = label.palette();
        colours.setColor(QPalette::WindowText, ToQColor(now.fore));
        colours.setColor(QPalette::Window, ToQColor(now.back));
        label.setPalette(colours);
    }
    if (!before || before->bold != now.bold) {
        QFont font = label.font();
        font.setBold(now.bold);
        label.setFont(font);
    }
}

void RenderButton(QPushButton& button, const ButtonState& now, const ButtonState* before) {
    if (!before || before->caption != now.caption) button.setText(ToQString(now.caption));
    if (!before || before->toolTip != now.toolTip) button.setToolTip(ToQString(now.toolTip));
    if (!before || before->enabled != now.enabled) button.setEnabled(now.enabled);
}

// The window's rest colour: the desktop's button colour.
void FollowDesktopBackground(QWidget& window) {
    QPalette background = window.palette();
    background.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::Button));
    window.setPalette(background);
}

}  // namespace

QColor ToQColor(const Colour& colour) {
    switch (colour.kind) {
        case Colour::Kind::ButtonFace:
            return QGuiApplication::palette().color(QPalette::Button);
        case Colour::Kind::ButtonText:
            return QGuiApplication::palette().color(QPalette::ButtonText);
        case Colour::Kind::Rgb:
            break;
    }
    return QColor(colour.r, colour.g, colour.b);
}

NodrelMain::NodrelMain(Nodrel& program, QtEffects& effects, QWidget* parent)
    : QWidget(parent), program_(program), effects_(effects) {
    setObjectName(QStringLiteral("NodrelMain"));
    setWindowTitle(QStringLiteral("Nodrel"));
    setWindowIcon(ProgramIcon());
    setFont(QFont(QStringLiteral("Arial"), kFontPoints));
    setFixedSize(kWindowWidth, kWindowHeight);
    BuildControls();

    effects_.AttachWindow(this);
    effects_.onTick = [this] { Tick(); };
    effects_.onTrayDoubleClick = [this] {
        // A box may stand in the middle of a step; the window comes back after it.
        if (!effects_.InMessageBox()) RunEvent([this] { program_.TrayDoubleClick(); });
    };
    // Showing the window makes it the active one at once, before the core goes on to set
    // its z-order; the activation the window system reports later is the same one.
    effects_.onRestored = [this] {
        activeReported_ = true;
        program_.Form_Activate();
    };
    effects_.onMessageBoxes = [this] { BoxesChanged(); };
}

NodrelMain::~NodrelMain() {
    effects_.onTick = nullptr;
    effects_.onTrayDoubleClick = nullptr;
    effects_.onRestored = nullptr;
    effects_.onMessageBoxes = nullptr;
    effects_.AttachWindow(nullptr);
}

void NodrelMain::BuildControls() {
    FollowDesktopBackground(*this);
    setAutoFillBackground(true);

    Logo = new PictureLabel(kLogoPath, QSize(kLogoSide, kLogoSide), this);
    Logo->setObjectName(QStringLiteral("Logo"));
    Logo->move(kMargin, 6);
    Logo->setToolTip(QStringLiteral("Nodrel's home page"));
    Logo->onClick = [this] { Logo_Click(); };

    int top = kMargin;
    for (QLabel** line : {&Title, &Counter, &CPULoad}) {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(true);
        label->setGeometry(kLineLeft, top, kWindowWidth - kLineLeft - kMargin, kLineHeight);
        top += kLineHeight + kLineGap;
        *line = label;
    }
    Title->setObjectName(QStringLiteral("Title"));
    Counter->setObjectName(QStringLiteral("Counter"));
    CPULoad->setObjectName(QStringLiteral("CPULoad"));

    const int buttonsLeft = (kWindowWidth - 5 * kButtonWidth - 4 * kButtonGap) / 2;
    int left = buttonsLeft;
    const std::pair<QPushButton**, const char*> buttons[] = {{&Exit, "Exit"},
                                                             {&About, "About"},
                                                             {&Config, "Config"},
                                                             {&TestS, "TestS"},
                                                             {&Reset, "Reset"}};
    for (const auto& [slot, name] : buttons) {
        auto* button = new QPushButton(this);
        button->setObjectName(ToQString(name));
        button->setGeometry(left, kButtonTop, kButtonWidth, kButtonHeight);
        button->setAutoDefault(false);
        left += kButtonWidth + kButtonGap;
        *slot = button;
    }
    connect(Exit, &QPushButton::clicked, this, [this] { Exit_Click(); });
    connect(About, &QPushButton::clicked, this, [this] { About_Click(); });
    connect(Config, &QPushButton::clicked, this, [this] { Config_Click(); });
    connect(TestS, &QPushButton::clicked, this,
            [this] { RunEvent([this] { program_.TestS_Click(); }); });
    connect(Reset, &QPushButton::clicked, this,
            [this] { RunEvent([this] { program_.Reset_Click(); }); });
    Render();
}

void NodrelMain::Load(const std::string& commandLine) {
    RunEvent([&] { program_.Form_Load(commandLine); });
    if (program_.EndStatus()) return;
    // A start in the tray has already minimised the window (and hidden it behind its icon).
    if (program_.Window().minimised) return;
    CentreOnScreen(*this);
    show();
}

void NodrelMain::RunEvent(const std::function<void()>& event) {
    if (blocked_) return;  // the program is inside an event of its own
    ++depth_;
    event();
    --depth_;
    if (depth_ > 0) return;
    AfterEvent();
    if (!deferred_.empty() || exitRequested_) RunDeferred();
}

void NodrelMain::Tick() {
    RunEvent([this] { program_.tmrRefresh_Timer(); });
    // A tick inside another event (a box stands) is drawn at once: it may start a countdown.
    if (depth_ > 0) Render();
}

void NodrelMain::AfterEvent() {
    if (effects_.TakeNoTrayNotice()) {
        ++depth_;
        program_.NoTrayHost();
        --depth_;
    }
    Render();
    FollowLink();
}

void NodrelMain::WatchLink(std::function<int()> fd, std::function<void()> receive) {
    link_ = std::make_unique<LinkWatcher>(std::move(fd), [this, receive] { RunEvent(receive); });
    FollowLink();
}

void NodrelMain::FollowLink() {
    if (link_) link_->Follow(program_.InTick());
}

void NodrelMain::Render() {
    if (program_.EndStatus()) return;  // the window is about to go
    const MainWindow& now = program_.Window();
    const MainWindow* before = shown_ ? &*shown_ : nullptr;
    if (!before || before->caption != now.caption) setWindowTitle(ToQString(now.caption));
    RenderLabel(*Title, now.Title, before ? &before->Title : nullptr);
    RenderLabel(*Counter, now.Counter, before ? &before->Counter : nullptr);
    RenderLabel(*CPULoad, now.CPULoad, before ? &before->CPULoad : nullptr);
    RenderButton(*Exit, now.Exit, before ? &before->Exit : nullptr);
    RenderButton(*About, now.About, before ? &before->About : nullptr);
    RenderButton(*Config, now.Config, before ? &before->Config : nullptr);
    RenderButton(*TestS, now.TestS, before ? &before->TestS : nullptr);
    RenderButton(*Reset, now.Reset, before ? &before->Reset : nullptr);
    if (!before || before->topmost != now.topmost) ApplyTopmost(now.topmost);
    shown_ = now;
}

void NodrelMain::ApplyTopmost(bool on) {
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == on) return;
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    // setWindowFlags would hide the window and show it again (another activation);
    // the widget keeps the flag and the window system is told directly.
    overrideWindowFlags(flags);
    if (QWindow* window = windowHandle()) window->setFlags(flags);
}

bool NodrelMain::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowActivate:
            // Told once each time the window becomes the program's active window: coming
            // back from another application does not count, coming back from one of the
            // program's own windows (or from hiding) does.
            if (!activeReported_) {
                activeReported_ = true;
                RunEvent([this] { program_.Form_Activate(); });
            }
            break;
        case QEvent::WindowDeactivate:
            if (QApplication::activeWindow() != nullptr) activeReported_ = false;
            break;
        case QEvent::Hide:
            activeReported_ = false;
            break;
        case QEvent::ApplicationPaletteChange: {
            // The rest colours follow the desktop's button colours.
            FollowDesktopBackground(*this);
            shown_.reset();
            Render();
            break;
        }
        default:
            break;
    }
    return QWidget::event(event);
}

void NodrelMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !program_.EndStatus()) {
        RunEvent([this] { program_.Form_Resize(isMinimized()); });
    }
}

void NodrelMain::closeEvent(QCloseEvent* event) {
    if (blocked_) {
        // The blocked event ends the program once it hears of it.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    // Closing cannot be refused: the program ends, logging the phase.
    if (!program_.EndStatus()) RunEvent([this] { program_.Form_Unload(); });
    event->accept();
}

bool NodrelMain::CloseRequestedWhileBlocked() {
    blocked_ = true;
    // Not without user input: Qt counts a close request from the window manager as such.
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    blocked_ = false;
    return std::exchange(closeRequested_, false);
}

void NodrelMain::RequestExit() {
    exitRequested_ = true;
    effects_.CloseMessageBoxes();
    RunDeferred();
}

void NodrelMain::RequestReload() {
    WhenNoBox([this] { RunEvent([this] { program_.ReloadSettings(); }); });
}

void NodrelMain::RequestReset() {
    WhenNoBox([this] { RunEvent([this] { program_.Reset_Click(); }); });
}

void NodrelMain::RequestTest() {
    WhenNoBox([this] { RunEvent([this] { program_.TestS_Click(); }); });
}

void NodrelMain::WhenNoBox(std::function<void()> action) {
    deferred_.push_back(std::move(action));
    RunDeferred();
}

void NodrelMain::RunDeferred() {
    // Tried again when the last box closes, when the event under way returns and when the
    // about or configuration window has gone.
    if (effects_.InMessageBox() || depth_ > 0) return;
    if (dialogs_ == 0) {
        const auto actions = std::exchange(deferred_, {});
        for (const auto& action : actions) {
            if (program_.EndStatus()) return;
            action();
        }
    }
    if (exitRequested_ && !program_.EndStatus()) {
        // The program ends first, so closing the window applies nothing any more.
        close();
        effects_.CloseDialogs();
    }
}

void NodrelMain::BoxesChanged() {
    if (!effects_.InMessageBox() && (!deferred_.empty() || exitRequested_) && !deferredQueued_) {
        deferredQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            deferredQueued_ = false;
            RunDeferred();
        });
    }
    FollowLink();
}

void NodrelMain::RunDialog(QDialog& dialog) {
    effects_.RegisterDialog(&dialog);
    ++dialogs_;
    dialog.exec();
    --dialogs_;
    RunEvent([] {});
}

void NodrelMain::Exit_Click() {
    close();
}

void NodrelMain::About_Click() {
    frmAbout about(program_);
    about.runEvent = [this](const std::function<void()>& event) { RunEvent(event); };
    RunDialog(about);
}

void NodrelMain::Config_Click() {
    if (openConfiguration) openConfiguration();
}

void NodrelMain::Logo_Click() {
    RunEvent([this] { program_.OpenHomePage("Nodrel"); });
}

}  // namespace nodrel::qt
