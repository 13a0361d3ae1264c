// (Re)loading the settings and preparing the link for the role.
#include "app/nodrel.h"

namespace nodrel {

void Nodrel::StartLink() {
    ProgTitle = "Nodrel";
    DialogOpen = false;
    StopTimer();
    Unconfigured = false;
    ReadConfig();
    CheckSettings();
    if (settings.CMain == kSlave) ProgTitle = "Nodrel Slave";
    TickDivider = 2;
    SettingsSaved = false;
    MinimiseOnRestart = true;
    SendMsg = "<LOC000>";
    // Only a bind that works clears a port error; a master binds nothing and has none.
    if (settings.CMain == kSlave) {
        BindReceivePort();
    } else {
        PortError = false;
    }
}

void Nodrel::BindReceivePort() {
    link_->Close();
    if (link_->Bind(settings.Port1)) {
        PortError = false;
        return;
    }
    const std::string port = std::to_string(settings.Port1);
    const int answer = outside_.effects.ShowMessage(
        box::CriticalYesNo, ProgTitle + " Port Error",
        JoinLines({"The RX Port " + port + " Is Already In Use",
                   "This Error Must Be Resolved Before", "You Can Use Nodrel.",
                   "Use The Configuration Screen", "To Change The RX Port.",
                   "Do You Want To End The Program?"}));
    if (answer == box::AnswerYes) End(1);
    PortError = true;
}

}  // namespace nodrel
