// A colour as red, green, blue and a fourth byte that no drawing operation reads.
// The constants are compile-time values, so they exist before any static
// initialiser of the editor or the toolkit could look at them.
#pragma once

#include <cstdint>

namespace qp {

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t unused = 0;

    // The platform's colour value (a COLORREF): red in the low byte.
    constexpr std::uint32_t toNative() const {
        return std::uint32_t(red) | (std::uint32_t(green) << 8) | (std::uint32_t(blue) << 16);
    }
    // Colour comparisons of the toolkit look at red, green and blue only.
    constexpr bool sameRgb(const Color& o) const {
        return red == o.red && green == o.green && blue == o.blue;
    }

    friend constexpr bool operator==(const Color&, const Color&) = default;
};

constexpr Color makeColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return Color{r, g, b, 0}; }

inline constexpr Color colorBlack = makeColor(0, 0, 0);
inline constexpr Color colorWhite = makeColor(255, 255, 255);
inline constexpr Color colorGrey = makeColor(127, 127, 127);
inline constexpr Color colorRed = makeColor(255, 0, 0);
inline constexpr Color colorGreen = makeColor(0, 255, 0);
inline constexpr Color colorBlue = makeColor(0, 0, 255);
inline constexpr Color colorYellow = makeColor(255, 255, 0);
inline constexpr Color colorMagenta = makeColor(255, 0, 255);
inline constexpr Color colorCyan = makeColor(0, 255, 255);
// What a Bitmap keys out unless told otherwise.
inline constexpr Color colorTransparent = makeColor(255, 255, 255);

}  // namespace qp
