// (Re)loading the settings and preparing the link for the role.
#include "app/nodrel.h"

namespace nodrel {

void Nodrel::StartLink() {
    ProgTitle = "Nodrel";
    DialogOpen = false;
    StopTimer();
    Unconfigured = false;
    PortError = false;
    ReadConfig();
    CheckSettings();
    if (settings.CMain == 2) ProgTitle = "Nodrel Slave";
    TickDivider = 2;
    SettingsSaved = false;
    MinimiseOnRestart = true;
    SendMsg = "<LOC000>";
}

}  // namespace nodrel
