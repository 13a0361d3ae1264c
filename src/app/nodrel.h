#pragma once
// The program's state and the procedures that drive it. One object, one thread: the front
// end calls the entry points (load, timer tick, exit, reload) one after another.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/countdown_notice.h"
#include "app/cycle_state.h"
#include "app/effects.h"
#include "app/launcher.h"
#include "app/process_priority.h"
#include "common/clock.h"
#include "common/text.h"
#include "config/codes.h"
#include "config/settings.h"
#include "cpu/cpu_usage.h"
#include "cpu/load_average.h"
#include "link/link_protocol.h"
#include "link/link_socket.h"
#include "log/log_file.h"
#include "shutdown/power_actions.h"
#include "ui/config_window.h"
#include "ui/main_window.h"

namespace nodrel {

// The outside world the core reaches through.
struct Outside {
    Effects& effects;
    CpuCounters& cpu;
    Clock& clock;
    ProcessPriority& priority;
    // Where power actions go; without one every action is refused.
    PowerBackend* power = nullptr;
    // The link's socket; without one nothing is sent and no port can be bound.
    LinkSocket* link = nullptr;
    // The executable's name without extension, named in power-action errors.
    std::string programName = "nodrel";
    // The main window's tray icon and dialogs; without one (a console) nothing to do.
    WindowEffects* window = nullptr;
    // Starts the browser; without one the home page cannot be opened.
    Launcher* launcher = nullptr;
    // How the log's entries reach the file; without one, what standard C++ can do.
    Appender* logAppender = nullptr;
    // How the configuration file is replaced; without one, what standard C++ can do.
    ConfigFileStore* configStore = nullptr;
    // An accepted power off, reboot or halt may still not happen (a user or an application
    // can stop it): the program then waits until the front end reports the session's end
    // (SessionEnding) and monitors again if it has not come after kSessionEndWaitSeconds.
    // Off: the program ends as soon as the action is accepted.
    bool awaitSessionEnd = false;
    // Tells the logged-in users of a real countdown; without one nobody is told.
    CountdownNotice* countdownNotice = nullptr;
    // How a configuration file that is not UTF-8 is read; without one, as bytes.
    const FileEncoding* configEncoding = nullptr;
};

inline constexpr std::int16_t kSessionEndWaitSeconds = 60;

// The cycle's state is a private base: the procedures use its fields by name, everyone else
// reads them through State() and changes them only through the entry points.
class Nodrel : private CycleState {
public:
    explicit Nodrel(Outside outside);

    // ----- entry points; each returns at once once the program has ended -----
    void Form_Load(const std::string& commandLine);
    void tmrRefresh_Timer();
    void Form_Unload();
    void Reset_Click();
    void TestS_Click();
    // The main window's own events.
    void Form_Resize(bool minimised);
    void Form_Activate();
    void TrayDoubleClick();
    // The desktop has no tray: the minimised window stays in the task bar; noted in the
    // log at level Full.
    void NoTrayHost();
    void OpenHomePage(const std::string& titlePrefix);
    // The session is ending (log-off or shutdown). While the program waits for an accepted
    // action to take the machine down it logs "Close" and ends with status 0; otherwise it
    // ends as the Exit button does.
    void SessionEnding();

    // The about and configuration windows: opening (pauses the cycle), their one-second
    // timers (the text to show, then one second less), and closing.
    void AboutOpened();
    std::string AboutSecond();
    // Opening the configuration window gives what it shows (ConfigWindow's setup).
    ConfigWindowSetup ConfigOpened();
    std::string ConfigSecond();
    // The configuration window's Save: the window checks and writes, the program takes
    // note of the tray choice and of a rewritten file. The one way a save reaches it.
    void ConfigSave(ConfigWindow& window);
    // View Log: the viewer started on the log, or the window's box (which may end the
    // program).
    void ConfigViewLog(const ConfigWindow& window);
    // Closed by the window's own Close of the about window, or any close but Close.
    void DialogClosed();
    // The configuration window's Close: re-initialises after a save, or while the
    // settings were unusable or the port in error.
    void ConfigClosed();

    // One whole datagram arrived on the link's socket.
    void udpServ_DataArrival(std::string_view datagram);
    // Re-reads the settings as closing the configuration window after a save does.
    void ReloadSettings();

    std::optional<int> EndStatus() const { return endStatus_; }
    bool TimerEnabled() const { return tmrRefreshEnabled_; }
    // Inside a tick: a message box stands in the middle of one of its steps. The cycle
    // waits for the box, and so do the link's datagrams; a tick arriving meanwhile only
    // keeps the link alive.
    bool InTick() const { return inTick_; }
    const MainWindow& Window() const { return window_; }
    const CycleState& State() const { return *this; }

private:
    struct ProgramEnded {};

    // ----- procedures, each in the file of its subject -----
    // cycle.cpp
    void ResetCycle();
    void StartCycle();
    void ActivationDelay();
    // trigger.cpp
    void CheckCondition();
    // False when the load could not be read: that second neither holds nor breaks the run.
    bool ReadCPULoad();
    // countdown.cpp
    void CountdownStep();
    // A real countdown (not a test, not simulated) starts, or is left without its action.
    void EnterRealCountdown();
    void LeaveRealCountdown();
    // reset_and_test.cpp
    void ResetProgram();
    // session_end.cpp
    void AwaitSessionEnd();
    void SessionWaitStep();
    void LogRestart();
    // restore_window.cpp
    void RestoreWindow();
    // link_control.cpp
    void StartLink();
    // Once a second while nobody could be asked about a taken port: binds it again now and
    // then, and starts the cycle once it is bound.
    void RetryPortBind();
    // False when the datagram could not go out; what was pending stays pending.
    bool SendLinkMessage();
    bool SendingDue() const;
    // Sends what is left of a forwarded command's repeats at once.
    void SendCommandRepeatsNow();
    // True for a command a slave has just acted on: one of its master's repeats.
    bool RepeatOfLastCommand(LinkCommand command);
    // settings_loading.cpp
    void ReadConfig();
    void CheckSettings();
    // logging.cpp
    void OpenLogFile();
    void WriteLogHeader(int mode);
    void WriteLog(const std::string& event, const std::string& state);

    // The phase's name for the log: "Initialise", "Run" or the action's name.
    std::string PhaseLogName() const;

    void Guarded(const std::function<void()>& body);

    void StopTimer();
    void StartTimer();
    [[noreturn]] void End(int status);
    // The Exit button's way out: the phase logged, status 0.
    [[noreturn]] void ExitProgram();
    [[noreturn]] void Fatal(const Message& message);
    // The box titled ProgTitle and the message's suffix; returns its answer.
    int ShowMessage(const Message& message);
    void CheckDataFolder();
    void ApplyRestColours();
    // The window while the cycle is held: bad settings, or the slave's port taken.
    void ShowHeld();
    void EnableButtons();
    void KeepOffTop();
    // On top when RunOnTop asks for it, and always during a countdown.
    bool TopmostWanted() const { return settings.RunOnTop == kSwitchOn || Phase == PhaseCountdown; }
    std::string TitleSentence() const;
    void SetButtonTips();
    bool ShouldMinimise() const;
    // The settings passed their checks and the slave's port is bound: the cycle may work.
    bool Runnable() const { return !Unconfigured && !PortError; }
    std::string ActivationCaption() const;
    void OpenDialog(std::int16_t seconds);
    // Passes a Reset or Test on to the slave, when this copy is a master: at once, and on
    // the next sends until it has gone out kCommandSends times.
    void ForwardCommand(std::string_view message);
    // A countdown that ends in the power action, not a test run's.
    bool InRealCountdown() const { return Phase == PhaseCountdown && !TestMode; }
    // A real countdown was left any way but by its action (Reset, a reload, a test, Exit).
    void RealCountdownLeft();

    void TickWork();
    void CountdownDisplay();
    void ActionTimeUp();
    // The action of `type` (Monitor: none); false when a stop request ended its wait.
    bool CarryOut(int type);
    void EndTestRun();
    void ReportPowerError(const PowerError& error);
    void BindReceivePort();
    void OverrideFromWindowState(bool clearInEveryPhase);

    // The file's text values as bytes: Save writes an unedited one back as it was.
    FileTexts fileTexts_;
    Outside outside_;
    std::unique_ptr<PowerBackend> refusingPower_;
    PowerActions power_;
    std::unique_ptr<LinkSocket> closedLink_;
    LinkSocket* link_;
    std::unique_ptr<WindowEffects> noWindow_;
    WindowEffects& windowEffects_;
    bool inTick_ = false;
    int commandSendsLeft_ = 0;                     // sends of the pending command still to come
    LinkCommand lastCommand_ = LinkCommand::None;  // the command a slave acted on last
    int commandQuietTicks_ = 0;                    // ticks during which its repeats are ignored
    // Seconds left to see the session end after an accepted action; 0 when not waiting.
    std::int16_t sessionWait_ = 0;
    bool configDialog_ = false;  // the open dialog is the configuration window
    // The port is taken and nobody could be asked: it is bound again every kPortRetrySeconds.
    bool waitingForPort_ = false;
    int portRetryIn_ = 0;
    int loggedPortWait_ = 0;  // the port whose wait is in the log; 0 once a bind worked
    // The action of the real countdown under way, until it begins or the countdown is left.
    std::optional<std::int16_t> realCountdownType_;
    clsCPUUsageNT CPUUsage;
    LogFile log_;
    MainWindow window_;
    bool tmrRefreshEnabled_ = false;
    std::optional<int> endStatus_;
};

}  // namespace nodrel
