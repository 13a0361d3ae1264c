#include "frontends/nodrel/qt_launcher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "frontends/nodrel/qt_text.h"

namespace nodrel::qt {

bool QtLauncher::OpenUrl(const std::string& address) {
    const QUrl url(ToQString(address), QUrl::StrictMode);
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool QtLauncher::OpenFile(const std::string& path) {
    const QString program = QStandardPaths::findExecutable(opener);
    if (program.isEmpty()) return false;
    return QProcess::startDetached(program, {ToQString(path)});
}

std::string QtLauncher::ViewerProgram() const {
    return "The program xdg-open (package xdg-utils)";
}

}  // namespace nodrel::qt
