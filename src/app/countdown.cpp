// Once a second in phase Countdown: the seconds left on the window, then the action, or
// the end of a test run.
#include "app/nodrel.h"
#include "shutdown/countdown_text.h"

namespace nodrel {

void Nodrel::CountdownStep() {
    if (sessionWait_ > 0) {
        SessionWaitStep();
        return;
    }
    window_.CPULoad.caption.clear();
    if (Count == 0) {
        RestoreWindow();
        windowEffects_.RemoveTrayIcon();
        // A box left standing would hide the countdown and keep Cancel out of reach.
        windowEffects_.CloseMessageBoxes();
    }
    if (TestMode) {
        EndTestRun();
        return;
    }
    if (Count == 0) {
        if (settings.LogLevel >= kLogNormal && !Unconfigured) WriteLog("Enter", ShutName);
        if (InhibitShutdown != 1) EnterRealCountdown();
    }
    CountdownDisplay();
    if (Count >= settings.ShutTime) {
        ActionTimeUp();
    } else if (settings.LogLevel == kLogFull) {
        WriteLog(ShutName, "");
    }
    Count = static_cast<std::int16_t>(Count + 1);
}

void Nodrel::EnterRealCountdown() {
    realCountdownType_ = settings.ShutType;
    // Monitor only closes the program: nobody loses their session.
    if (outside_.countdownNotice && settings.ShutType != kMonitor) {
        outside_.countdownNotice->Announce(CountdownNoticeText(settings));
    }
}

void Nodrel::LeaveRealCountdown() {
    if (!realCountdownType_) return;
    const std::int16_t type = *realCountdownType_;
    realCountdownType_.reset();
    if (outside_.countdownNotice && type != kMonitor) {
        outside_.countdownNotice->Announce(CancelNoticeText(type));
    }
}

void Nodrel::EndTestRun() {
    if (settings.LogLevel >= kLogNormal && !Unconfigured) WriteLog("Simulate", ShutName);
    const std::string title = ProgTitle + " Test";
    const std::string text = "Test " + ShutName;
    // The cycle starts again before the box: a master keeps its slave alive while it stands.
    ResetProgram();
    outside_.effects.ShowMessage(box::kPlain, title, text);
}

void Nodrel::CountdownDisplay() {
    for (ButtonState* b : {&window_.Config, &window_.About, &window_.TestS, &window_.Exit}) {
        b->enabled = false;
    }
    for (LabelState* label : {&window_.CPULoad, &window_.Counter}) {
        label->fore = kWhite;
        label->back = kOrange;
    }
    window_.Counter.caption = CountdownCaption(settings.ShutType, settings.ShutTime - Count);
    // Whatever left it disabled, a countdown can always be cancelled.
    window_.Reset.enabled = true;
    window_.Reset.caption = "Cancel";
    window_.Reset.toolTip = "Cancel " + ProgTitle + " " + ShutName;
}

void Nodrel::ActionTimeUp() {
    const int type = settings.ShutType;
    const bool logging = settings.LogLevel > kLogNone;
    if (InhibitShutdown == 1) {
        if (logging) WriteLog(ShutName, "Simulate");
        outside_.effects.ShowMessage(box::kPlain, ProgTitle + " Simulate " + ShutName,
                                     "Test Real " + ShutName);
        if (type > kMonitor) ResetProgram();
    } else {
        if (logging) WriteLog("Start", ShutName);
        realCountdownType_.reset();  // the action begins: nothing was cancelled
        // Asked to stop while waiting for the answer or the resume: ends as Exit does.
        if (!CarryOut(type)) ExitProgram();
    }
    if (type < kMonitor && InhibitShutdown != 1 && outside_.awaitSessionEnd) {
        AwaitSessionEnd();
        return;
    }
    if (type <= kMonitor) {
        if (logging) WriteLog("Close", ShutName);
        End(0);
    }
    LogRestart();
}

bool Nodrel::CarryOut(int type) {
    switch (type) {
        case kPowerOff:
            return power_.ShutdownSystem(ewx::kPowerOff | ewx::kForce);
        case kReboot:
            return power_.ShutdownSystem(ewx::kReboot | ewx::kForce);
        case kShutdown:
            return power_.ShutdownSystem(ewx::kShutdown | ewx::kForce);
        case kHibernate:
            ResetProgram();
            return power_.HibernateSystem();
        case kStandby:
            ResetProgram();
            return power_.StandbySystem();
        default:
            return true;  // Monitor: the program only closes itself
    }
}

}  // namespace nodrel
