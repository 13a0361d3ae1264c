#pragma once
// Starting the browser and the file viewer from the desktop program.
#include <QString>

#include "app/launcher.h"

namespace nodrel::qt {

class QtLauncher : public Launcher {
public:
    // The desktop's default browser (QDesktopServices, through xdg-open on Linux).
    bool OpenUrl(const std::string& address) override;
    // The desktop's viewer for the file, through xdg-open, not waited for; false when
    // xdg-open is not installed or cannot be started.
    bool OpenFile(const std::string& path) override;
    std::string ViewerProgram() const override;

    // The program that opens files; tests point it elsewhere.
    QString opener = QStringLiteral("xdg-open");
};

}  // namespace nodrel::qt
