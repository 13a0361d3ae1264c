#pragma once
#include "common/clock.h"

namespace nodrel::linux_platform {

class SystemClock : public nodrel::Clock {
public:
    std::tm LocalNow() override;
};

}  // namespace nodrel::linux_platform
