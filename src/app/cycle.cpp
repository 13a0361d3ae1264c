// The half-second tick, the activation delay, and the two procedures every (re)start of
// the cycle passes through.
#include "app/nodrel.h"
#include "config/config_fields.h"
#include "link/link_protocol.h"

namespace nodrel {

void Nodrel::tmrRefresh_Timer() {
    if (commandQuietTicks_ > 0) --commandQuietTicks_;
    // A message box opened by a step may run the event loop; no tick may start inside it.
    // The cycle waits for the box, the master's slave does not: it still hears it.
    if (inTick_) {
        Guarded([&] {
            if (tmrRefreshEnabled_ && SendingDue()) SendLinkMessage();
        });
        return;
    }
    inTick_ = true;
    Guarded([&] {
        try {
            TickWork();
        } catch (const PowerError& error) {
            ReportPowerError(error);
        }
    });
    inTick_ = false;
}

void Nodrel::TickWork() {
    if (!tmrRefreshEnabled_) return;
    if (TickDivider == 1) {
        const bool mayWork = !DialogOpen && Runnable();
        if (mayWork && Phase == PhaseRun) CheckCondition();
        if (mayWork && Phase == PhaseInitialise) ActivationDelay();
        if (mayWork && Phase == PhaseCountdown) CountdownStep();
        if (waitingForPort_) RetryPortBind();
        if (DialogTimeout < 1 && DialogOpen) {
            DialogOpen = false;
            windowEffects_.CloseDialogs();
            // The configuration window closing itself applies a save as its Close does.
            if (configDialog_) ConfigClosed();
            if (endStatus_) return;
        }
        TickDivider = 3;
    }
    TickDivider = static_cast<std::int16_t>(TickDivider - 1);
    if (SendingDue()) SendLinkMessage();
}

void Nodrel::ActivationDelay() {
    Count = static_cast<std::int16_t>(Count - 1);
    window_.Counter.caption = ActivationCaption();
    if (Count < 1) {
        Phase = PhaseRun;
        if (settings.LogLevel >= kLogNormal) WriteLog("Enter", "Run");
        Count = 0;
    } else if (Count != settings.StartDelay) {
        if (settings.LogLevel == kLogFull) WriteLog("Inactive", "");
    } else if (settings.CMain == kMaster) {
        window_.CPULoad.caption = "CPU Load:   0%";
    }
}

void Nodrel::ApplyRestColours() {
    for (LabelState* label : {&window_.CPULoad, &window_.Counter}) label->back = kButtonFace;
    for (LabelState* label : {&window_.CPULoad, &window_.Counter, &window_.Title}) {
        label->fore = kButtonText;
    }
    window_.Title.bold = false;
    window_.Counter.bold = false;
}

void Nodrel::EnableButtons() {
    for (ButtonState* b :
         {&window_.Config, &window_.About, &window_.TestS, &window_.Reset, &window_.Exit}) {
        b->enabled = true;
    }
}

void Nodrel::KeepOffTop() {
    if (settings.RunOnTop == kSwitchOff) window_.topmost = false;
}

void Nodrel::ResetCycle() {
    LeaveRealCountdown();
    TestMode = false;
    sessionWait_ = 0;
    StopTimer();
    Count = settings.StartDelay;
    ConditionMet = 1;
    Phase = PhaseInitialise;
    if (InhibitShutdown == 1) {
        settings.CPUDelay = 6;
        settings.ShutTime = 6;
    }
    LoadSamples[0] = 0;
    SampleIndex = 0;
    AvLoadText = " ...";
    LoadText = " ...";
    TriggerDelay = settings.CPUDelay;
    CommsText = "....";
    window_.CPULoad.caption.clear();
    if (const auto name = ShutTypeName(settings.ShutType); !name.empty()) ShutName = name;
    ApplyRestColours();
    EnableButtons();
    window_.Reset.caption = "Reset";  // it reads "Cancel" only during a countdown
    KeepOffTop();
}

std::string Nodrel::ActivationCaption() const {
    return "Program Activation In " + std::to_string(Count) + "s";
}

std::string Nodrel::TitleSentence() const {
    const std::string level = std::to_string(settings.CPULevel);
    if (settings.ShutType == kMonitor)
        return ShutName + " the CPU load until it has been below " + level + "%";
    if (settings.CMain == kMaster) {
        return ShutName + " the computer if CPU load is below " + level + "%";
    }
    return ShutName + " the computer if communications are lost";
}

void Nodrel::SetButtonTips() {
    window_.Reset.toolTip = "Reset " + ProgTitle;
    window_.Exit.toolTip = "Close " + ProgTitle;
    window_.About.toolTip = "About " + ProgTitle;
    window_.Config.toolTip = "Configure " + ProgTitle;
    window_.TestS.toolTip = "Enables/Restarts " + ProgTitle + " Test Mode";
}

void Nodrel::ShowHeld() {
    window_.Counter.caption.clear();
    window_.Title.fore = kOrange;
    window_.Title.bold = true;
    if (waitingForPort_ && !Unconfigured) {
        // The settings are fine; another program has the port.
        window_.Counter.caption = PortWaitCaption(settings.Port1);
    } else {
        window_.Title.caption = "Click Configure To Set Up Nodrel";
        if (settings.CMain == kSlave) window_.Title.caption += " Slave";
    }
    window_.Reset.enabled = false;
    window_.TestS.enabled = false;
}

bool Nodrel::ShouldMinimise() const {
    const bool wantsTray = (settings.StartMin == kSwitchOn && !WindowOverride) ||
                           (settings.StartMin == kSwitchOff && WindowOverride);
    return wantsTray && Runnable() && MinimiseOnRestart;
}

void Nodrel::StartCycle() {
    const std::string sentence = TitleSentence();
    SetButtonTips();
    window_.caption = ProgTitle;
    window_.Title.caption = sentence + " for over " + std::to_string(TriggerDelay) + " sec";
    window_.Counter.caption = ActivationCaption();
    if (!Runnable()) ShowHeld();
    if (ShouldMinimise() && !window_.minimised) {
        window_.minimised = true;
        windowEffects_.Minimise();
    }
    MinimiseOnRestart = true;
    KeepOffTop();
    if (settings.LogLevel >= kLogNormal && Runnable()) WriteLog("Start", "Initialise");
    // A taken port is logged once, however often it is bound again in vain.
    if (waitingForPort_ && !Unconfigured && loggedPortWait_ != settings.Port1) {
        if (settings.LogLevel >= kLogNormal)
            WriteLog("PortError", "Port " + std::to_string(settings.Port1));
        loggedPortWait_ = settings.Port1;
    }
    SendMsg = "<C0A000>";
    commandSendsLeft_ = 0;  // a pending command gives way to the first message
    StartTimer();
}

}  // namespace nodrel
