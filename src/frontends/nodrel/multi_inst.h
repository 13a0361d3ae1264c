#pragma once
// MultiInst: the only window of a copy that found another one running. It says so, and
// the copy ends when the window goes.
#include <QDialog>

#include "app/effects.h"
#include "app/launcher.h"
#include "app/startup.h"

class QLabel;
class QPushButton;

namespace nodrel::qt {

class PictureLabel;

class MultiInst : public QDialog {
    Q_OBJECT

public:
    // The launcher opens the home page from the logo; the effects show its failure.
    MultiInst(Launcher& launcher, Effects& effects, QWidget* parent = nullptr);

    // Shows the window until OK (or any other close); returns the copy's exit status.
    int Run();

    void Exit_Click();
    void Logo_Click();

private:
    Launcher& launcher_;
    Effects& effects_;
    QLabel* Image1 = nullptr;
    QLabel* ErrorMess = nullptr;
    PictureLabel* Logo = nullptr;
    QPushButton* Exit = nullptr;
};

}  // namespace nodrel::qt
