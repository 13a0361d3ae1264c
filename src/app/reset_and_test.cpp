// The Reset and Test commands, from the buttons or forwarded by a master.
#include "app/nodrel.h"
#include "link/link_protocol.h"

namespace nodrel {

void Nodrel::ResetProgram() {
    MinimiseOnRestart = Phase == PhaseCountdown && !TestMode && InhibitShutdown != 1;
    ResetCycle();
    StartCycle();
}

void Nodrel::Reset_Click() {
    Guarded([&] {
        if (settings.LogLevel >= kLogNormal) WriteLog("Reset", PhaseLogName());
        const bool leavingCountdown = InRealCountdown();
        ResetProgram();
        if (leavingCountdown) {
            RealCountdownLeft();  // which forwards the Reset
        } else {
            ForwardCommand(kResetCommand);
        }
    });
}

void Nodrel::TestS_Click() {
    Guarded([&] {
        if (!Runnable()) return;
        const bool leavingCountdown = InRealCountdown();
        ResetCycle();
        TestMode = true;
        TriggerDelay = 5;
        Count = 2;
        MinimiseOnRestart = false;
        if (settings.LogLevel >= kLogNormal) WriteLog("Enter", "Test");
        StartCycle();
        window_.caption = ProgTitle + " - Test Mode";
        window_.Reset.toolTip = "Reset Nodrel";
        if (leavingCountdown) RealCountdownLeft();
        ForwardCommand(kTestCommand);
    });
}

void Nodrel::ForwardCommand(std::string_view message) {
    SendMsg = message;
    commandSendsLeft_ = kCommandSends;
    if (settings.CMain == kMaster) SendLinkMessage();
}

void Nodrel::RealCountdownLeft() {
    // The slave, silent for as long as this master, may be counting down too.
    ForwardCommand(kResetCommand);
}

void Nodrel::ReportPowerError(const PowerError& error) {
    Fatal(PowerErrorMessage(error));
}

}  // namespace nodrel
