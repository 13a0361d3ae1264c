#pragma once
// frmAbout: the about window. Shows the program's title, version and home page, pauses the
// monitoring cycle while it is open and counts down to its own close, which the main
// window's tick carries out.
#include <QDialog>
#include <QPixmap>
#include <functional>

#include "app/nodrel.h"

class QLabel;
class QPushButton;
class QTimer;

namespace nodrel::qt {

class PictureLabel;

class frmAbout : public QDialog {
    Q_OBJECT

public:
    // Form_Load: the cycle pauses (Nodrel::AboutOpened) and the texts are set.
    explicit frmAbout(Nodrel& program, QWidget* parent = nullptr);
    ~frmAbout() override;

    // Runs an event of the program that may show a message box (the home page); the main
    // window sets it so that it draws itself afterwards.
    std::function<void(const std::function<void()>&)> runEvent =
        [](const std::function<void()>& event) { event(); };

    // Every second: the countdown text.
    void Timer1_Timer();
    void ExitAbout_Click();
    // The home page in the browser; the address turns orange and stays so.
    void WebSite_Click();

    // Every way out (Close, Escape, the title bar, the tick) lets the cycle go on.
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Nodrel& program_;
    QLabel* ProgName = nullptr;
    QLabel* ProgVersion = nullptr;
    QLabel* WebSite = nullptr;
    QLabel* TMessage = nullptr;
    QPushButton* ExitAbout = nullptr;
    QTimer* Timer1 = nullptr;
    QPixmap background_;
    QPixmap logo_;
    bool closed_ = false;
};

}  // namespace nodrel::qt
