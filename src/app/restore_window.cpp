// Bringing the main window back from the tray.
#include "app/nodrel.h"

namespace nodrel {

void Nodrel::RestoreWindow() {
    if (window_.minimised) {
        window_.minimised = false;
        windowEffects_.RemoveTrayIcon();
        windowEffects_.Restore();
    }
    window_.topmost = TopmostWanted();
}

}  // namespace nodrel
