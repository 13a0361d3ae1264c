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
        ResetProgram();
        ForwardCommand(ResetCommand);
    });
}

void Nodrel::TestS_Click() {
    Guarded([&] {
        if (!Runnable()) return;
        ResetCycle();
        TestMode = true;
        TriggerDelay = 5;
        Count = 2;
        MinimiseOnRestart = false;
        if (settings.LogLevel >= kLogNormal) WriteLog("Enter", "Test");
        StartCycle();
        window_.caption = ProgTitle + " - Test Mode";
        window_.Reset.toolTip = "Reset Nodrel";
        ForwardCommand(TestCommand);
    });
}

void Nodrel::ForwardCommand(std::string_view message) {
    SendMsg = message;
    if (settings.CMain == kMaster) SendLinkMessage();
}

void Nodrel::ReportPowerError(const PowerError& error) {
    Fatal(PowerErrorMessage(error));
}

}  // namespace nodrel
