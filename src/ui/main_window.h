#pragma once
// What the main window shows, as plain data. The core writes it; each front end draws it.
#include <string>

#include "ui/colour.h"

namespace nodrel {

struct LabelState {
    std::string caption;
    Colour fore = kButtonText;
    Colour back = kButtonFace;
    bool bold = false;
    bool operator==(const LabelState&) const = default;
};

struct ButtonState {
    std::string caption;
    std::string toolTip;
    bool enabled = true;
    bool operator==(const ButtonState&) const = default;
};

struct MainWindow {
    std::string caption = "Nodrel";
    LabelState Title;
    LabelState Counter;
    LabelState CPULoad;
    ButtonState Exit{"Exit", "", true};
    ButtonState About{"About", "", true};
    ButtonState Config{"Configure", "", true};
    ButtonState TestS{"Test", "", true};
    ButtonState Reset{"Reset", "", true};
    bool topmost = false;
    bool minimised = false;
};

}  // namespace nodrel
