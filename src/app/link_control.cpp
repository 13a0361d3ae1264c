// The link as the program drives it: preparing it for the role with the settings
// (re)loaded, the master's sending rule and the slave's receiving rule.
#include "app/nodrel.h"
#include "link/link_protocol.h"

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
    waitingForPort_ = false;
    if (settings.CMain == kSlave) {
        BindReceivePort();
    } else {
        PortError = false;
        loggedPortWait_ = 0;
    }
}

void Nodrel::BindReceivePort() {
    link_->Close();
    if (link_->Bind(settings.Port1)) {
        PortError = false;
        waitingForPort_ = false;
        loggedPortWait_ = 0;
        return;
    }
    if (!outside_.effects.CanAsk()) {
        // Nobody can say whether to end: the cycle is held and the port bound again later.
        PortError = true;
        waitingForPort_ = true;
        portRetryIn_ = kPortRetrySeconds;
        return;
    }
    if (ShowMessage(PortInUseMessage(settings.Port1)) == box::kAnswerYes) End(1);
    PortError = true;
}

void Nodrel::RetryPortBind() {
    if (--portRetryIn_ > 0) return;
    BindReceivePort();
    if (PortError) return;
    ResetCycle();
    StartCycle();
}

bool Nodrel::SendingDue() const {
    // A master falls silent only in its own real countdown, for its slave to count down too.
    return settings.CMain == kMaster && Runnable() && !InRealCountdown();
}

bool Nodrel::SendLinkMessage() {
    // A failed send is silent; the message stays pending for the next occasion.
    if (!link_->SendTo(settings.IPAdd, settings.Port1, SendMsg)) return false;
    if (commandSendsLeft_ > 0) --commandSendsLeft_;
    if (commandSendsLeft_ == 0) SendMsg = kKeepAlive;
    return true;
}

void Nodrel::SendCommandRepeatsNow() {
    while (settings.CMain == kMaster && commandSendsLeft_ > 0 && SendLinkMessage()) {
    }
}

bool Nodrel::RepeatOfLastCommand(LinkCommand command) {
    if (command == lastCommand_ && commandQuietTicks_ > 0) return true;
    lastCommand_ = command;
    commandQuietTicks_ = kCommandRepeatsIgnoredMs / kRefreshPeriodMs;
    return false;
}

void Nodrel::udpServ_DataArrival(std::string_view datagram) {
    Guarded([&] {
        if (settings.CMain == kMaster) return;
        if (!IsValidLinkMessage(datagram)) {
            CommsText = "Error";
            window_.Counter.bold = true;
            window_.Counter.fore = kOrange;
            window_.Counter.caption = "Connection Error";
            // ConditionMet is 0 only while a valid message has come since the last check
            // second. Leaving it so means a stream of junk cannot drown a live master's
            // keep-alives; in a silent second it is 1 already, and silence it stays.
            return;
        }
        CommsText = "-OK-";
        ConditionMet = 0;
        const LinkCommand command = CommandOf(datagram);
        if (command == LinkCommand::None || RepeatOfLastCommand(command)) return;
        if (command == LinkCommand::Reset) Reset_Click();
        if (command == LinkCommand::Test) TestS_Click();
    });
}

}  // namespace nodrel
