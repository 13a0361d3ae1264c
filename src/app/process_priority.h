#pragma once

namespace nodrel {

// Asks for a higher scheduling priority; best effort, nothing is reported.
class ProcessPriority {
public:
    virtual ~ProcessPriority() = default;
    virtual void Raise() = 0;
};

}  // namespace nodrel
