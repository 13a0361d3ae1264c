#pragma once

namespace nodrel {

// One running copy per computer: held for the life of the process once taken.
class InstanceGuard {
public:
    virtual ~InstanceGuard() = default;
    // True when another process holds the guard. Any failure other than that counts as
    // no other instance.
    virtual bool AnotherInstance() = 0;
};

}  // namespace nodrel
