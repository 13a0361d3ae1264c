// nodrel.exe: Nodrel on the Windows desktop, with its window, tray icon and dialogs.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/nodrel.h"
#include "app/startup.h"
#include "frontends/nodrel-win/frm_config.h"
#include "frontends/nodrel-win/multi_inst.h"
#include "frontends/nodrel-win/nodrel_main.h"
#include "frontends/nodrel-win/win/text.h"
#include "frontends/nodrel-win/win_effects.h"
#include "platform/windows/admin_check.h"
#include "platform/windows/instance_guard.h"
#include "platform/windows/program_folder.h"
#include "platform/windows/shell_launcher.h"
#include "platform/windows/windows_parts.h"

namespace {

constexpr std::string_view kSummary =
    "Watches the processor load and powers the computer off after a quiet spell, in a\n"
    "small window or in the notification area.\n"
    "Data\\Nodrel4.ini lies beside the program; the log goes where LogPath says.";

// The command line as the console programs get it, in UTF-8.
std::vector<std::string> ReadArguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(nodrel::win::Narrow(wide[i]));
    LocalFree(wide);
    if (arguments.empty()) arguments.emplace_back("nodrel");
    return arguments;
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
    return got < 0 ? nodrel::win::kStatusProgramError : static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    nodrel::windows_platform::EnterProgramFolder();
    const std::vector<std::string> arguments = ReadArguments();
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    const std::string shownName = nodrel::ProgramName(argv[0]);
    const auto start =
        nodrel::BeginStartUp(static_cast<int>(argv.size()), argv.data(), shownName, kSummary);
    if (start.endStatus) {
        MessageBoxW(nullptr, nodrel::win::Wide(start.answer).c_str(), L"Nodrel",
                    start.endStatus == 0 ? MB_OK : MB_OK | MB_ICONERROR);
        return *start.endStatus;
    }
    nodrel::windows_platform::MutexGuard guard;
    const bool giveWay = nodrel::GiveWay(guard, start.switches);

    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    nodrel::windows_platform::ShellLauncher launcher;

    if (giveWay) {
        nodrel::win::WinEffects effects;
        nodrel::win::MultiInst window(launcher, effects);
        return window.Run();
    }

    nodrel::windows_platform::WindowsParts machine(start.programName);
    nodrel::win::WinEffects effects;
    nodrel::Outside outside = machine.For(effects, start.programName, &effects, &launcher);
    outside.awaitSessionEnd = true;  // the main window hears WM_ENDSESSION
    nodrel::Nodrel program(outside);
    nodrel::win::NodrelMain window(program, effects, machine.link);
    window.openConfiguration = [&] {
        nodrel::win::frmConfig config(program, window,
                                      nodrel::windows_platform::IsAdmin(machine.api));
        window.RunDialog(config);
    };
    window.Load(start.commandLine);
    const int loopStatus = effects.Status() ? *effects.Status() : RunMessageLoop(window.Handle());
    if (nodrel::win::Window::ShowLastError(program.State().ProgTitle + " Program Error")) {
        return nodrel::win::kStatusProgramError;
    }
    return effects.Status().value_or(loopStatus);
}
