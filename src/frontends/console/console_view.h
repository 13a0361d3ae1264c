#pragma once
// Shows the main window's three lines on a console.
#include <cstdio>
#include <string>

#include "app/nodrel.h"

namespace nodrel::console {

class ConsoleView {
public:
    // On a terminal the three lines are redrawn in place; otherwise (a service's journal)
    // a line is printed when the title or the phase changes, and once a countdown second.
    ConsoleView(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}
    void Show(const Nodrel& program);
    // Leaves the cursor below the drawn lines before other output.
    void Release();

private:
    void Redraw(const MainWindow& window);
    void Journal(const Nodrel& program);

    std::FILE* out_;
    bool terminal_;
    bool drawn_ = false;
    std::string lastLines_;
    std::string lastTitle_;
    std::string lastCounter_;
    int lastPhase_ = -1;
};

// The window's first two lines as one, for the service manager's status.
std::string StatusLine(const MainWindow& window);

}  // namespace nodrel::console
