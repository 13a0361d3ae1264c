#pragma once
// Telling the people logged in to the computer that a real countdown has started or has
// been cancelled: a front end that runs out of their sight (a service) hands one over.
#include <string>

namespace nodrel {

class CountdownNotice {
public:
    virtual ~CountdownNotice() = default;
    // Shows one line of text to everyone logged in; never blocks and never fails.
    virtual void Announce(const std::string& text) = 0;
};

}  // namespace nodrel
