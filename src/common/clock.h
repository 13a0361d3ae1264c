#pragma once
// Local wall-clock time, for the dates in the log and the configuration file.
#include <ctime>
#include <string>

namespace nodrel {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::tm LocalNow() = 0;
};

// "dd-mmm-yy hh:mm:ss" with the abbreviated month name of the current locale.
std::string FormatStamp(const std::tm& when);

}  // namespace nodrel
