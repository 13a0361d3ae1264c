#pragma once
// Starting another program without waiting: the browser on an address, the user's
// viewer on a file.
#include <string>

#include "app/effects.h"

namespace nodrel {

class Launcher {
public:
    virtual ~Launcher() = default;
    // True when the request was handed over to a program that will show it.
    virtual bool OpenUrl(const std::string& address) = 0;
    virtual bool OpenFile(const std::string& path) = 0;
    // The program OpenFile starts, as the box for its failure names it.
    virtual std::string ViewerProgram() const = 0;
};

// The project's home page, opened from the logos and the about window: the address the
// build was configured with (NODREL_HOMEPAGE).
extern const char* const HomePageAddress;

// Opens the home page, or says in a box titled `titlePrefix` + " Error" that it cannot.
inline void LaunchHomePage(Launcher* launcher, Effects& effects, const std::string& titlePrefix) {
    if (launcher && launcher->OpenUrl(HomePageAddress)) return;
    effects.ShowMessage(box::kPlain, titlePrefix + " Error", "Unable to launch Browser.");
}

}  // namespace nodrel
