#pragma once
#include "common/clock.h"

namespace nodrel::windows_platform {

// Local time from the C runtime.
class WindowsClock : public nodrel::Clock {
public:
    std::tm LocalNow() override;
};

}  // namespace nodrel::windows_platform
