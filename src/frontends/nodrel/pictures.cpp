#include "frontends/nodrel/pictures.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

// Qt's resource initialiser must be named from the global namespace; the library is
// static, so nothing else would pull the built-in files into the program.
static void InitialiseBuiltInFiles() {
    Q_INIT_RESOURCE(nodrel);
}

namespace nodrel::qt {

void LoadPictures() {
    static const bool loaded = [] {
        InitialiseBuiltInFiles();
        return true;
    }();
    (void)loaded;
}

QPixmap DrawPicture(const QString& path, QSize size, qreal pixelRatio) {
    LoadPictures();
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    QPixmap pixmap(size * pixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(pixelRatio);
    return pixmap;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64}) {
        icon.addPixmap(DrawPicture(kProgramIconPath, QSize(side, side)));
    }
    return icon;
}

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        onClick) {
        onClick();
    }
}

PictureLabel::PictureLabel(const QString& path, QSize size, QWidget* parent) : ClickLabel(parent) {
    setPixmap(DrawPicture(path, size, devicePixelRatioF()));
    setFixedSize(size);
}

}  // namespace nodrel::qt
