// The visual language the face and the about picture share: a brushed graphite
// plate with a bevelled edge, brass lettering and light silk-screened labels, all
// lettering in the one stroke typeface.
//
// Lengths of the 100 % design scale with the step (Scale::length); the integer
// quantities of the plate (brushing reach, bevel depth, blur radii, shadow offsets)
// go through qp::zoomed, so at 100 % they are exactly the design's numbers.
#pragma once

#include <cstdint>
#include <string_view>

#include "editor/art/Canvas.h"
#include "gui/Zoom.h"

namespace qp::art {

struct Scale {
    explicit Scale(std::int32_t p)
        : percent(p),
          factor(p / 100.0) {}
    double length(double v) const { return v * factor; }
    std::int32_t pixels(std::int32_t v) const { return zoomed(v, percent); }

    std::int32_t percent;
    double factor;
};

inline constexpr Rgb kPlateTop{58.0, 56.0, 56.0};
inline constexpr Rgb kPlateBottom{31.0, 30.0, 31.0};
inline constexpr Rgb kBrassLight{246.0, 214.0, 142.0};
inline constexpr Rgb kBrassDark{170.0, 118.0, 52.0};
inline constexpr Rgb kSilk{196.0, 194.0, 190.0};
inline constexpr Rgb kSilkDim{132.0, 130.0, 128.0};
inline constexpr Rgb kBlack{0.0, 0.0, 0.0};

// Vertical gradient with horizontal brushing: noise that is smeared along x.
Canvas brushedPlate(std::int32_t width, std::int32_t height, std::int32_t seed, const Scale& scale);

// A raised edge: light on the top and left faces, shadow on the bottom and right
// (mitred at the corners), with a hairline of near-black at the very border.
void bevel(Canvas& canvas, const Scale& scale);

// Raised brass lettering: a soft shadow down-right, a dark hairline under it and
// the metal itself. Sizes in device pixels, weight and tracking in glyph units.
void brassText(Canvas& canvas, std::string_view text, double left, double baseline, double size,
               double weight, double tracking, const Scale& scale);

inline constexpr double kLabelWeight = 2.4;
inline constexpr double kLabelTracking = 3.0;

// Silk-screened lettering in the logo's typeface, for names on the plate.
void labelText(Canvas& canvas, std::string_view text, double left, double baseline, double size, Rgb colour,
               const Scale& scale);
double labelWidth(std::string_view text, double size);

}  // namespace qp::art
