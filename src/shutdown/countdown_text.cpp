#include "shutdown/countdown_text.h"

#include "config/codes.h"

namespace nodrel {

namespace {

const char* CountdownPrefix(int shutType) {
    switch (shutType) {
        case kPowerOff:
            return "The Computer Will Power Off In ";
        case kReboot:
            return "The Computer Will Reboot In ";
        case kShutdown:
            return "The Computer Will Shutdown In ";
        case kMonitor:
            return "Nodrel Will Close In ";
        case kHibernate:
            return "The Computer Will Hibernate In ";
        case kStandby:
            return "The Computer Will Standby In ";
        default:
            return "";
    }
}

// The action as a verb, as the notices name it.
std::string ActionVerb(int shutType) {
    switch (shutType) {
        case kPowerOff:
            return "power off";
        case kReboot:
            return "reboot";
        case kShutdown:
            return "halt";
        case kHibernate:
            return "hibernate";
        case kStandby:
            return "suspend";
        default:
            return "close Nodrel";
    }
}

}  // namespace

std::string CountdownCaption(int shutType, int secondsLeft) {
    return CountdownPrefix(shutType) + std::to_string(secondsLeft) + "s";
}

std::string CountdownNoticeText(const Settings& settings) {
    const std::string delay = std::to_string(settings.CPUDelay) + " s";
    const std::string reason =
        settings.CMain == kSlave
            ? "no word from the master for " + delay
            : "load below " + std::to_string(settings.CPULevel) + " % for " + delay;
    return "Nodrel: this computer will " + ActionVerb(settings.ShutType) + " in " +
           std::to_string(settings.ShutTime) + " s (" + reason +
           "). To cancel: sudo systemctl kill -s USR1 nodreld.";
}

std::string CancelNoticeText(int shutType) {
    return "Nodrel: " + ActionVerb(shutType) + " cancelled.";
}

}  // namespace nodrel
