#pragma once
// What the main window shows, as plain data. The core writes it; each front end draws it.
#include <cstdint>
#include <string>

namespace nodrel {

struct Colour {
    enum class Kind { ButtonFace, ButtonText, Rgb };
    Kind kind = Kind::ButtonText;
    std::uint8_t r = 0, g = 0, b = 0;

    static constexpr Colour FromRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        return Colour{Kind::Rgb, red, green, blue};
    }
    bool operator==(const Colour&) const = default;
};

inline constexpr Colour kButtonFace{Colour::Kind::ButtonFace};
inline constexpr Colour kButtonText{Colour::Kind::ButtonText};
inline constexpr Colour kOrange = Colour::FromRgb(255, 128, 0);
inline constexpr Colour kGreen = Colour::FromRgb(0, 128, 0);
inline constexpr Colour kWhite = Colour::FromRgb(255, 255, 255);

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
