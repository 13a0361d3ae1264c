// What the main window's own events do: its size changes, its activation, the tray
// icon's double click, and the windows it opens.
#include "app/nodrel.h"

namespace nodrel {

void Nodrel::OverrideFromWindowState(bool clearInEveryPhase) {
    const bool normal = !window_.minimised;
    if ((normal && settings.StartMin == kSwitchOn && Phase != PhaseCountdown) ||
        (!normal && settings.StartMin == kSwitchOff)) {
        WindowOverride = true;
    } else if (clearInEveryPhase || Phase != PhaseCountdown) {
        WindowOverride = false;
    }
}

void Nodrel::Form_Resize(bool minimised) {
    Guarded([&] {
        window_.minimised = minimised;
        if (minimised) {
            windowEffects_.AddTrayIcon();
            windowEffects_.HideWindow();
        }
        OverrideFromWindowState(false);
    });
}

void Nodrel::Form_Activate() {
    Guarded([&] {
        window_.topmost = TopmostWanted();
        if (window_.minimised) windowEffects_.HideWindow();
    });
}

void Nodrel::TrayDoubleClick() {
    Guarded([&] {
        RestoreWindow();
        OverrideFromWindowState(true);
    });
}

void Nodrel::NoTrayHost() {
    Guarded([&] {
        if (settings.LogLevel == kLogFull && !Unconfigured) WriteLog("NoTray", "TaskBar");
    });
}

void Nodrel::OpenDialog(std::int16_t seconds) {
    DialogOpen = true;
    DialogTimeout = InhibitShutdown == 1 ? std::int16_t{4} : seconds;
}

void Nodrel::AboutOpened() {
    OpenDialog(30);
    configDialog_ = false;
}

std::string Nodrel::AboutSecond() {
    std::string text = "About will close in " + std::to_string(DialogTimeout) + " sec";
    DialogTimeout = static_cast<std::int16_t>(DialogTimeout - 1);
    return text;
}

ConfigWindowSetup Nodrel::ConfigOpened() {
    OpenDialog(600);
    configDialog_ = true;
    return {ProgTitle,
            settings,
            fileSettings,
            PortError,
            outside_.configStore,
            fileTexts_,
            outside_.configEncoding};
}

void Nodrel::ConfigSave(ConfigWindow& window) {
    Guarded([&] {
        const ConfigSaved saved = window.Save(FormatStamp(outside_.clock.LocalNow()));
        if (saved.trayChoiceChanged) WindowOverride = false;
        if (saved.written) SettingsSaved = true;
        if (saved.failure) ShowMessage(*saved.failure);
    });
}

void Nodrel::ConfigViewLog(const ConfigWindow& window) {
    Guarded([&] {
        const LogView view =
            window.ViewLog(outside_.launcher ? outside_.launcher->ViewerProgram() : "");
        if (view.endsProgram) Fatal(view.message);
        const bool viewerStarted = !view.viewerPath.empty() && outside_.launcher &&
                                   outside_.launcher->OpenFile(view.viewerPath);
        if (!viewerStarted) ShowMessage(view.message);
    });
}

std::string Nodrel::ConfigSecond() {
    std::string text;
    if (DialogTimeout <= 90) {
        text = "The Configuration Screen will close in " + std::to_string(DialogTimeout) + " sec";
    }
    DialogTimeout = static_cast<std::int16_t>(DialogTimeout - 1);
    return text;
}

void Nodrel::DialogClosed() {
    DialogOpen = false;
}

void Nodrel::ConfigClosed() {
    if (!SettingsSaved && Runnable()) {
        DialogOpen = false;
        return;
    }
    ReloadSettings();
}

void Nodrel::OpenHomePage(const std::string& titlePrefix) {
    Guarded([&] { LaunchHomePage(outside_.launcher, outside_.effects, titlePrefix); });
}

}  // namespace nodrel
