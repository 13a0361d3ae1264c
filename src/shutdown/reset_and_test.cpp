// The Reset and Test commands, from the buttons or forwarded by a master.
#include "app/nodrel.h"

#include <cstdio>

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
        ForwardCommand("<COC000>");
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
        ForwardCommand("<COT000>");
    });
}

void Nodrel::ForwardCommand(const char* message) {
    SendMsg = message;
    if (settings.CMain == kMaster) SendLinkMessage();
}

void Nodrel::ReportPowerError(const PowerError& error) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(error.number));
    Fatal({box::Critical, " Error",
           JoinLines({std::string("Error Number: ") + number, "Source: " + error.source,
                      std::string("Error description: ") + error.what(),
                      "The program will now terminate."})});
}

}  // namespace nodrel
