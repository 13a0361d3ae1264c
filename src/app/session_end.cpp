// After an accepted power off, reboot or halt where the system may still keep running: the
// wait for the session's end, and what ends it.
#include "app/nodrel.h"

namespace nodrel {

namespace {
std::string WaitCaption(const std::string& action, std::int16_t secondsLeft) {
    return action + " requested: monitoring again in " + std::to_string(secondsLeft) + "s";
}
}  // namespace

void Nodrel::AwaitSessionEnd() {
    sessionWait_ = kSessionEndWaitSeconds;
    window_.Counter.caption = WaitCaption(ShutName, sessionWait_);
}

// Once a second while waiting; the window stays as in the countdown, with Cancel, which
// goes back to monitoring at once.
void Nodrel::SessionWaitStep() {
    sessionWait_ = static_cast<std::int16_t>(sessionWait_ - 1);
    if (sessionWait_ > 0) {
        window_.Counter.caption = WaitCaption(ShutName, sessionWait_);
        return;
    }
    // The machine is still up: monitor again, as after a resume, so the next quiet spell
    // tries once more.
    ResetProgram();
    LogRestart();
}

void Nodrel::LogRestart() {
    if (settings.LogLevel == kLogNone) return;
    WriteLog("Restart", ShutName);
    WriteLog("----------", "----------");
    WriteLog("----------", "----------");
}

void Nodrel::SessionEnding() {
    Guarded([&] {
        if (sessionWait_ == 0) ExitProgram();
        StopTimer();
        if (settings.LogLevel > kLogNone) WriteLog("Close", ShutName);
        End(0);
    });
}

}  // namespace nodrel
