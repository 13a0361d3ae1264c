#pragma once
// Starting the browser and the log viewer.
#include <string>

#include "app/launcher.h"

namespace nodrel::windows_platform {

// The default browser through the shell; the log in Notepad, not waited for.
class ShellLauncher : public nodrel::Launcher {
public:
    bool OpenUrl(const std::string& address) override;
    bool OpenFile(const std::string& path) override;
    std::string ViewerProgram() const override;

    // The program that opens files, found as CreateProcessW finds it; tests point it elsewhere.
    std::wstring viewer = L"notepad.exe";
};

}  // namespace nodrel::windows_platform
