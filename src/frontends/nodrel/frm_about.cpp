#include "frontends/nodrel/frm_about.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include "app/launcher.h"
#include "common/text.h"
#include "frontends/nodrel/nodrel_main.h"
#include "frontends/nodrel/pictures.h"
#include "frontends/nodrel/qt_text.h"

namespace nodrel::qt {

namespace {

constexpr int kWidth = 280;
constexpr int kHeight = 330;
constexpr int kLogoSide = 92;

QLabel* CentredLine(QWidget* parent, const char* name, int top, int height, const QFont& font,
                    const QColor& colour, QLabel* label = nullptr) {
    if (!label) label = new QLabel(parent);
    label->setObjectName(ToQString(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(0, top, kWidth, height);
    label->setFont(font);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, colour);
    label->setPalette(colours);
    return label;
}

QFont Arial(qreal points, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace

frmAbout::frmAbout(Nodrel& program, QWidget* parent) : QDialog(parent), program_(program) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowIcon(ProgramIcon());
    setFixedSize(kWidth, kHeight);
    setModal(true);
    background_ = DrawPicture(kAboutBackgroundPath, QSize(kWidth, kHeight), devicePixelRatioF());
    logo_ = DrawPicture(kLogoPath, QSize(kLogoSide, kLogoSide), devicePixelRatioF());

    // Form_Load.
    program_.AboutOpened();
    setWindowTitle(ToQString("About " + program_.State().ProgTitle));
    // Form_Activate: kept above all other windows when the settings ask it of the program.
    setWindowFlag(Qt::WindowStaysOnTopHint, program_.State().settings.RunOnTop == kSwitchOn);

    ProgName = CentredLine(this, "ProgName", 104, 30, Arial(15.75), Qt::black);
    ProgName->setText(ToQString(program_.State().ProgTitle));
    ProgVersion = CentredLine(this, "ProgVersion", 137, 32, Arial(12), Qt::white);
    ProgVersion->setText(QStringLiteral("Version ") + ToQString(kVersion));

    auto* site = new ClickLabel(this);
    QFont underlined = Arial(9);
    underlined.setUnderline(true);
    WebSite = CentredLine(this, "WebSite", 184, 22, underlined, ToQColor(kDarkGreen), site);
    WebSite->setText(ToQString(HomePageAddress));
    WebSite->setToolTip(QStringLiteral("Open the home page"));
    site->onClick = [this] { WebSite_Click(); };

    TMessage = CentredLine(this, "TMessage", 226, 22, Arial(9, true), ToQColor(kOrange));

    ExitAbout = new QPushButton(QStringLiteral("Close"), this);
    ExitAbout->setObjectName(QStringLiteral("ExitAbout"));
    ExitAbout->setToolTip(QStringLiteral("Close About Screen"));
    ExitAbout->setFont(Arial(9));
    ExitAbout->setGeometry((kWidth - 96) / 2, 284, 96, 30);
    connect(ExitAbout, &QPushButton::clicked, this, [this] { ExitAbout_Click(); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    Timer1->start();
}

frmAbout::~frmAbout() {
    // Destroyed without being closed (the program ended meanwhile): the cycle need not wait.
    if (!closed_) program_.DialogClosed();
}

void frmAbout::Timer1_Timer() {
    TMessage->setText(ToQString(program_.AboutSecond()));
}

void frmAbout::ExitAbout_Click() {
    accept();
}

void frmAbout::WebSite_Click() {
    QPalette colours = WebSite->palette();
    colours.setColor(QPalette::WindowText, ToQColor(kOrange));
    WebSite->setPalette(colours);
    runEvent([this] { program_.OpenHomePage(program_.State().ProgTitle); });
}

void frmAbout::done(int result) {
    Timer1->stop();
    if (!closed_) {
        closed_ = true;
        program_.DialogClosed();
    }
    QDialog::done(result);
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawPixmap(rect(), background_);
    painter.drawPixmap(QRect((kWidth - kLogoSide) / 2, 8, kLogoSide, kLogoSide), logo_);
    QDialog::paintEvent(event);
}

}  // namespace nodrel::qt
