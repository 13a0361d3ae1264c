// Once a second in phase Countdown: the seconds left on the window, then the action, or
// the end of a test run.
#include "app/nodrel.h"
#include "shutdown/countdown_text.h"

namespace nodrel {

void Nodrel::CountdownStep() {
    window_.CPULoad.caption.clear();
    if (Count == 0) {
        RestoreWindow();
        windowEffects_.RemoveTrayIcon();
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
    outside_.effects.ShowMessage(box::Plain, ProgTitle + " Test", "Test " + ShutName);
    ResetProgram();
}

void Nodrel::CountdownDisplay() {
    for (ButtonState* b : {&window_.Config, &window_.About, &window_.TestS, &window_.Exit}) {
        b->enabled = false;
    }
    for (LabelState* label : {&window_.CPULoad, &window_.Counter}) {
        label->fore = White;
        label->back = Orange;
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
        outside_.effects.ShowMessage(box::Plain, ProgTitle + " Simulate " + ShutName,
                                     "Test Real " + ShutName);
        if (type > kMonitor) ResetProgram();
    } else {
        if (logging) WriteLog("Start", ShutName);
        realCountdownType_.reset();  // the action begins: nothing was cancelled
        switch (type) {
            case kPowerOff:
                power_.ShutdownSystem(ewx::PowerOff | ewx::Force);
                break;
            case kReboot:
                power_.ShutdownSystem(ewx::Reboot | ewx::Force);
                break;
            case kShutdown:
                power_.ShutdownSystem(ewx::Shutdown | ewx::Force);
                break;
            // Asked to stop while waiting for the resume: ends as the Exit button does.
            case kHibernate:
                ResetProgram();
                if (!power_.HibernateSystem()) ExitProgram();
                break;
            case kStandby:
                ResetProgram();
                if (!power_.StandbySystem()) ExitProgram();
                break;
            default:
                break;  // Monitor: the program only closes itself
        }
    }
    if (type <= kMonitor) {
        if (logging) WriteLog("Close", ShutName);
        End(0);
    }
    if (logging) {
        WriteLog("Restart", ShutName);
        WriteLog("----------", "----------");
        WriteLog("----------", "----------");
    }
}

}  // namespace nodrel
