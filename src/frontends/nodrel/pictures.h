#pragma once
// The program's pictures, drawn from the SVG files built into the program.
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <functional>

namespace nodrel::qt {

inline const QString kProgramIconPath = QStringLiteral(":/nodrel/nodrel.svg");
inline const QString kLogoPath = QStringLiteral(":/nodrel/nodrel-logo.svg");
inline const QString kAboutBackgroundPath = QStringLiteral(":/nodrel/about-background.svg");

// Makes the built-in files reachable; the windows call it themselves.
void LoadPictures();

// The program's icon, for the windows and the tray.
QIcon ProgramIcon();

// An SVG file drawn at the given size (device-independent pixels) for the screen's
// pixel ratio; a null pixmap when the file cannot be read.
QPixmap DrawPicture(const QString& path, QSize size, qreal pixelRatio = 1.0);

// A label that reacts to a click of the left button, as the logos and web addresses do.
class ClickLabel : public QLabel {
public:
    explicit ClickLabel(QWidget* parent = nullptr);
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A clickable picture drawn from an SVG file at a fixed size.
class PictureLabel : public ClickLabel {
public:
    PictureLabel(const QString& path, QSize size, QWidget* parent = nullptr);
};

}  // namespace nodrel::qt
