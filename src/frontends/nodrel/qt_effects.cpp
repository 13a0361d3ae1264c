#include "frontends/nodrel/qt_effects.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "frontends/nodrel/pictures.h"
#include "frontends/nodrel/qt_text.h"

namespace nodrel::qt {

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

QtEffects::QtEffects(std::function<bool()> trayAvailable)
    : trayAvailable_(std::move(trayAvailable)) {
    refresh_.setTimerType(Qt::PreciseTimer);
    refresh_.setInterval(kRefreshPeriodMs);
    QObject::connect(&refresh_, &QTimer::timeout, &refresh_, [this] {
        if (onTick) onTick();
    });
    tray_.setIcon(ProgramIcon());
    tray_.setToolTip(ToQString(kTrayTip));
    QObject::connect(&tray_, &QSystemTrayIcon::activated, &tray_,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::DoubleClick && onTrayDoubleClick) {
                             onTrayDoubleClick();
                         }
                     });
    QObject::connect(trayMenu_.addAction(QStringLiteral("Restore Nodrel")), &QAction::triggered,
                     &tray_, [this] {
                         if (onTrayDoubleClick) onTrayDoubleClick();
                     });
    tray_.setContextMenu(&trayMenu_);
}

QtEffects::~QtEffects() {
    tray_.hide();
}

int QtEffects::ShowMessage(int style, const std::string& title, const std::string& text) {
    const bool question = style == box::kCriticalYesNo;
    if (status_) return question ? box::kAnswerNo : box::kAnswerOk;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style) {
        case box::kCritical:
        case box::kCriticalYesNo:
            icon = QMessageBox::Critical;
            break;
        case box::kExclamation:
            icon = QMessageBox::Warning;
            break;
        case box::kInformation:
            icon = QMessageBox::Information;
            break;
        default:
            break;
    }
    QMessageBox message(icon, ToQString(title), ToQStringLines(text),
                        question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    message.setWindowIcon(ProgramIcon());
    if (question) message.setDefaultButton(QMessageBox::Yes);
    boxes_.emplace_back(&message);
    if (onMessageBoxes) onMessageBoxes();
    message.exec();
    boxes_.erase(std::remove(boxes_.begin(), boxes_.end(), &message), boxes_.end());
    if (onMessageBoxes) onMessageBoxes();
    const auto clicked = message.standardButton(message.clickedButton());
    if (!question) return box::kAnswerOk;
    return clicked == QMessageBox::Yes ? box::kAnswerYes : box::kAnswerNo;
}

void QtEffects::CloseMessageBoxes() {
    // Innermost first; each returns from its own exec once the event that closed it is done.
    const auto open = boxes_;
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (*it) (*it)->reject();
    }
}

void QtEffects::EndProgram(int status) {
    status_ = status;
    refresh_.stop();
    tray_.hide();
    if (quit) quit(status);
}

void QtEffects::SetRefreshTimer(bool enabled) {
    if (enabled && !status_) {
        refresh_.start();  // a fresh period from now
    } else {
        refresh_.stop();
    }
}

void QtEffects::AddTrayIcon() {
    if (trayAvailable_ && trayAvailable_()) {
        tray_.show();
    } else {
        noTrayNotice_ = true;
    }
}

void QtEffects::RemoveTrayIcon() {
    tray_.hide();
}

bool QtEffects::TakeNoTrayNotice() {
    return std::exchange(noTrayNotice_, false);
}

void QtEffects::Minimise() {
    if (!window_) return;
    // Not showMinimized(): it would show the window again after the state change has
    // hidden it behind its tray icon (Form_Resize).
    window_->setWindowState(window_->windowState() | Qt::WindowMinimized);
    if (!tray_.isVisible()) window_->show();  // no tray host: minimised in the task bar
}

void QtEffects::HideWindow() {
    // Hidden only behind a tray icon: otherwise it would be lost to the user.
    if (window_ && tray_.isVisible()) window_->hide();
}

void QtEffects::Restore() {
    if (!window_) return;
    window_->showNormal();
    CentreOnScreen(*window_);
    window_->raise();
    window_->activateWindow();
    if (onRestored) onRestored();
}

void QtEffects::CloseDialogs() {
    const auto registered = dialogs_;
    for (const auto& dialog : registered) {
        if (dialog && dialog->isVisible()) dialog->close();
    }
}

void QtEffects::AttachWindow(QWidget* window) {
    window_ = window;
}

void QtEffects::RegisterDialog(QWidget* dialog) {
    dialogs_.erase(std::remove_if(dialogs_.begin(), dialogs_.end(),
                                  [](const QPointer<QWidget>& gone) { return gone.isNull(); }),
                   dialogs_.end());
    dialogs_.emplace_back(dialog);
}

}  // namespace nodrel::qt
