#include "qt_launcher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace nodrel {

bool QtLauncher::OpenUrl(const std::string& address) {
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool QtLauncher::OpenFile(const std::string& path) {
    const QString program = QStandardPaths::findExecutable(opener);
    if (program.isEmpty()) return false;
    return QProcess::startDetached(program, {QString::fromStdString(path)});
}

std::string QtLauncher::ViewerProgram() const {
    return "The program xdg-open (package xdg-utils)";
}

}  // namespace nodrel
