#include "frontends/nodrel/multi_inst.h"

#include <QLabel>
#include <QPushButton>

#include "app/startup.h"
#include "frontends/nodrel/pictures.h"
#include "frontends/nodrel/qt_effects.h"
#include "frontends/nodrel/qt_text.h"

namespace nodrel::qt {

MultiInst::MultiInst(Launcher& launcher, Effects& effects, QWidget* parent)
    : QDialog(parent), launcher_(launcher), effects_(effects) {
    setObjectName(QStringLiteral("MultiInst"));
    setWindowIcon(ProgramIcon());
    // Form_Activate: always above all other windows.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setFixedSize(320, 106);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(DrawPicture(kProgramIconPath, QSize(32, 32), devicePixelRatioF()));
    Image1->setGeometry(12, 16, 32, 32);

    // Form_Load.
    setWindowTitle(ToQString(kSecondCopyTitle));
    ErrorMess = new QLabel(this);
    ErrorMess->setObjectName(QStringLiteral("ErrorMess"));
    ErrorMess->setTextFormat(Qt::PlainText);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9.75);
    ErrorMess->setFont(font);
    QPalette black = ErrorMess->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    ErrorMess->setPalette(black);
    ErrorMess->setGeometry(56, 8, 214, 58);
    ErrorMess->setText(ToQStringLines(kSecondCopyText));

    Logo = new PictureLabel(kLogoPath, QSize(40, 40), this);
    Logo->setObjectName(QStringLiteral("Logo"));
    Logo->move(272, 8);
    Logo->setToolTip(QStringLiteral("Nodrel's home page"));
    Logo->onClick = [this] { Logo_Click(); };

    Exit = new QPushButton(QStringLiteral("OK"), this);
    Exit->setObjectName(QStringLiteral("Exit"));
    Exit->setToolTip(QStringLiteral("Exit"));
    Exit->setFont(QFont(QStringLiteral("Arial"), 9));
    Exit->setGeometry(122, 70, 76, 26);
    Exit->setDefault(true);
    connect(Exit, &QPushButton::clicked, this, [this] { Exit_Click(); });
}

int MultiInst::Run() {
    exec();
    return kStatusFailure;
}

void MultiInst::Exit_Click() {
    accept();
}

void MultiInst::Logo_Click() {
    LaunchHomePage(&launcher_, effects_, "Nodrel");
}

}  // namespace nodrel::qt
