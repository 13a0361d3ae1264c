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
    }
    if (TestMode) {
        EndTestRun();
        return;
    }
    if (Count == 0 && settings.LogLevel >= kLogNormal && !Unconfigured) WriteLog("Enter", ShutName);
    CountdownDisplay();
    if (Count >= settings.ShutTime) {
        ActionTimeUp();
    } else if (settings.LogLevel == kLogFull) {
        WriteLog(ShutName, "");
    }
    Count = static_cast<std::int16_t>(Count + 1);
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

}  // namespace nodrel
