#pragma once
// The windows' colours, named once: the front ends draw these and define none of their own.
#include <cstdint>

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

// The desktop's colours for buttons: the labels' rest colours.
inline constexpr Colour kButtonFace{Colour::Kind::ButtonFace};
inline constexpr Colour kButtonText{Colour::Kind::ButtonText};
// Counters, highlighted notes, status lines and countdown texts.
inline constexpr Colour kOrange = Colour::FromRgb(255, 128, 0);
// A live link.
inline constexpr Colour kGreen = Colour::FromRgb(0, 128, 0);
// The notes beside the configuration fields, and the about window's web address.
inline constexpr Colour kDarkGreen = Colour::FromRgb(0, 102, 0);
inline constexpr Colour kWhite = Colour::FromRgb(255, 255, 255);

}  // namespace nodrel
