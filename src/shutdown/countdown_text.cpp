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

}  // namespace

std::string CountdownCaption(int shutType, int secondsLeft) {
    return CountdownPrefix(shutType) + std::to_string(secondsLeft) + "s";
}

}  // namespace nodrel
