#include "app/nodrel.h"

#include <filesystem>

#include "app/startup.h"

namespace nodrel {

namespace {

// Stands in when no power service was handed over: nothing can be switched off.
class RefusingPower : public PowerBackend {
public:
    PowerOutcome Perform(PowerCall) override {
        return {PowerOutcome::Kind::Refused, "No power service is available."};
    }
};

// Stands in when no socket was handed over: nothing goes out, no port can be bound.
class ClosedLink : public LinkSocket {
public:
    void Close() override {}
    bool Bind(int) override { return false; }
    bool SendTo(const std::string&, int, std::string_view) override { return false; }
};

// Stands in for a front end without a main window: no tray, nothing to minimise or close.
class NoWindow : public WindowEffects {
public:
    void AddTrayIcon() override {}
    void RemoveTrayIcon() override {}
    void Minimise() override {}
    void HideWindow() override {}
    void Restore() override {}
    void CloseDialogs() override {}
    void CloseMessageBoxes() override {}
};

}  // namespace

Nodrel::Nodrel(Outside outside)
    : outside_(std::move(outside)),
      refusingPower_(outside_.power ? nullptr : std::make_unique<RefusingPower>()),
      power_(outside_.power ? *outside_.power : *refusingPower_, outside_.programName),
      closedLink_(outside_.link ? nullptr : std::make_unique<ClosedLink>()),
      link_(outside_.link ? outside_.link : closedLink_.get()),
      noWindow_(outside_.window ? nullptr : std::make_unique<NoWindow>()),
      windowEffects_(outside_.window ? *outside_.window : *noWindow_),
      CPUUsage(outside_.cpu),
      log_(outside_.logAppender ? *outside_.logAppender : StandardAppender()) {}

void Nodrel::Guarded(const std::function<void()>& body) {
    if (endStatus_) return;
    try {
        body();
    } catch (const ProgramEnded&) {
        // The program has ended; the front end leaves its loop.
    }
}

void Nodrel::StopTimer() {
    if (tmrRefreshEnabled_) outside_.effects.SetRefreshTimer(false);
    tmrRefreshEnabled_ = false;
}

void Nodrel::StartTimer() {
    if (!tmrRefreshEnabled_) outside_.effects.SetRefreshTimer(true);
    tmrRefreshEnabled_ = true;
}

void Nodrel::End(int status) {
    LeaveRealCountdown();
    StopTimer();
    windowEffects_.RemoveTrayIcon();
    endStatus_ = status;
    outside_.effects.EndProgram(status);
    throw ProgramEnded{};
}

void Nodrel::Fatal(const Message& message) {
    StopTimer();
    ShowMessage(message);
    End(1);
}

int Nodrel::ShowMessage(const Message& message) {
    return outside_.effects.ShowMessage(message.style, ProgTitle + message.titleSuffix,
                                        message.text);
}

void Nodrel::CheckDataFolder() {
    std::error_code ec;
    if (std::filesystem::is_directory(kDataFolder, ec)) return;
    Fatal({box::kExclamation, " Data Directory Error",
           JoinLines({"The data directory does not exist.", "To restore the data directory",
                      "reinstall the program.", "The program will now terminate."})});
}

void Nodrel::Form_Load(const std::string& commandLine) {
    Guarded([&] {
        StartLink();
        window_.caption = "Nodrel";
        CheckDataFolder();
        InhibitShutdown = ReadSwitches(commandLine).inhibitShutdown ? 1 : 0;
        outside_.priority.Raise();
        CPUUsage.Initialize();
        WindowOverride = false;
        ResetCycle();
        OpenLogFile();
        if (settings.LogLevel > kLogNone) {
            WriteLog("", "");
            WriteLogHeader(0);
            if (Unconfigured) WriteLog("UnConfig", "********");
        }
        StartCycle();
        if (window_.minimised) windowEffects_.AddTrayIcon();
    });
}

void Nodrel::Form_Unload() {
    Guarded([&] { ExitProgram(); });
}

void Nodrel::ExitProgram() {
    StopTimer();
    if (!Unconfigured && settings.LogLevel > kLogNone) WriteLog("Exit", PhaseLogName());
    if (InRealCountdown()) RealCountdownLeft();
    // No tick comes any more: a command's repeats go out now.
    SendCommandRepeatsNow();
    End(0);
}

void Nodrel::ReloadSettings() {
    Guarded([&] {
        const bool leavingCountdown = InRealCountdown();
        StartLink();
        ResetCycle();
        OpenLogFile();
        if (settings.LogLevel > kLogNone && !Unconfigured) WriteLog("Config", "Updated");
        if (!Unconfigured && settings.LogLevel == kLogFull) WriteLogHeader(1);
        StartCycle();
        DialogOpen = false;
        if (leavingCountdown) RealCountdownLeft();
    });
}

std::string Nodrel::PhaseLogName() const {
    if (Phase == PhaseInitialise) return "Initialise";
    if (Phase == PhaseRun) return "Run";
    return ShutName;
}

}  // namespace nodrel
