#pragma once
// The numbers the settings file holds for its coded keys, named once.
#include <cstdint>

namespace nodrel {

// CMain: the copy's role on the link.
inline constexpr std::int16_t kMaster = 1;
inline constexpr std::int16_t kSlave = 2;

// DName: how IPAdd names the partner.
inline constexpr std::int16_t kAddress = 1;   // a dotted quad
inline constexpr std::int16_t kHostName = 2;  // a host name

// LogLevel.
inline constexpr std::int16_t kLogNone = 1;
inline constexpr std::int16_t kLogNormal = 2;
inline constexpr std::int16_t kLogFull = 3;

// RunOnTop and StartMin: the two-valued settings.
inline constexpr std::int16_t kSwitchOff = 1;
inline constexpr std::int16_t kSwitchOn = 2;

// ShutType: the power action at the end of a countdown.
inline constexpr std::int16_t kPowerOff = 1;
inline constexpr std::int16_t kReboot = 2;
inline constexpr std::int16_t kShutdown = 3;
inline constexpr std::int16_t kMonitor = 4;  // the program only closes itself
inline constexpr std::int16_t kHibernate = 5;
inline constexpr std::int16_t kStandby = 6;

// A two-valued setting's tick box in the configuration window holds the code less one.
constexpr int TickValue(std::int16_t code) {
    return code - 1;
}

}  // namespace nodrel
