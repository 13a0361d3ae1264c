// nodrel.exe: Nodrel on the Windows desktop, with its window, tray icon and dialogs.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <clocale>
#include <string>
#include <vector>

#include "app/nodrel.h"
#include "app/startup.h"
#include "frontends/nodrel-win/frm_config.h"
#include "frontends/nodrel-win/multi_inst.h"
#include "frontends/nodrel-win/nodrel_main.h"
#include "frontends/nodrel-win/win/text.h"
#include "frontends/nodrel-win/win_effects.h"
#include "platform/windows/admin_token.h"
#include "platform/windows/mutex_guard.h"
#include "platform/windows/windows_parts.h"

namespace {

constexpr std::string_view Summary =
    "Watches the processor load and powers the computer off after a quiet spell, in a\n"
    "small window or in the notification area.";

struct Arguments {
    std::string programName = "nodrel";
    std::string commandLine;  // after the program name, joined by single blanks
};

Arguments ReadArguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> narrow;
    for (int i = 0; i < count; ++i) narrow.push_back(nodrel::win::Narrow(wide[i]));
    LocalFree(wide);
    std::vector<const char*> argv;
    for (const std::string& argument : narrow) argv.push_back(argument.c_str());
    Arguments read;
    if (!argv.empty()) read.programName = nodrel::ProgramName(argv[0]);
    read.commandLine = nodrel::JoinArguments(static_cast<int>(argv.size()), argv.data());
    return read;
}

// The main loop: tab and Enter work between the main window's buttons.
int RunMessageLoop(HWND main) {
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (main && IsDialogMessageW(main, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got < 0 ? nodrel::win::StatusProgramError : static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::setlocale(LC_TIME, "");  // month names in the user's language
    const Arguments arguments = ReadArguments();
    if (const auto answer =
            nodrel::InformationRequest(arguments.commandLine, arguments.programName, Summary)) {
        MessageBoxW(nullptr, nodrel::win::Wide(*answer).c_str(), L"Nodrel", MB_OK);
        return 0;
    }
    const nodrel::Switches switches = nodrel::ReadSwitches(arguments.commandLine);
    nodrel::windows_platform::MutexGuard guard;
    const bool giveWay = nodrel::GiveWay(guard, switches);

    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    nodrel::windows_platform::ShellLauncher launcher;

    if (giveWay) {
        nodrel::win::WinEffects effects;
        nodrel::win::MultiInst window(launcher, effects);
        return window.Run();
    }

    nodrel::windows_platform::WindowsParts machine(arguments.programName);
    nodrel::win::WinEffects effects;
    nodrel::Nodrel program(machine.For(effects, arguments.programName, &effects, &launcher));
    nodrel::win::NodrelMain window(program, effects, machine.link);
    window.openConfiguration = [&] {
        nodrel::win::frmConfig config(program, window,
                                      nodrel::windows_platform::IsAdmin(machine.api));
        window.RunDialog(config);
    };
    window.Load(arguments.commandLine);
    const int loopStatus = effects.Status() ? *effects.Status() : RunMessageLoop(window.Handle());
    if (nodrel::win::Window::ShowLastError(program.ProgTitle + " Program Error")) {
        return nodrel::win::StatusProgramError;
    }
    return effects.Status().value_or(loopStatus);
}
