// The about picture, laid over the face while the about screen shows: the product
// name in brass, what it does, the vendor and the version.
#include <cmath>
#include <cstdint>
#include <string>

#include "editor/art/Art.h"
#include "editor/art/ArtVersion.h"
#include "editor/art/Panel.h"
#include "editor/art/StrokeFont.h"

namespace qp::art {
namespace {

constexpr std::int32_t kAboutSeed = 178;
constexpr std::int32_t kMargin = 12;
constexpr double kNameSize = 13.0;
constexpr double kNameWeight = 2.0;
constexpr double kNameTracking = 2.4;
constexpr double kNameBaseline = 28.0;
constexpr double kTextSize = 6.0;
constexpr double kTaglineBaseline = 46.0;
constexpr double kFooterBaseline = 65.0;
// A brass hairline between the product and its maker, and its shadow under it.
constexpr std::int32_t kRuleRow = 53;
constexpr std::int32_t kRuleThickness = 1;

}  // namespace

Picture drawAbout(std::int32_t percent) {
    const Scale s(percent);
    const std::int32_t width = s.pixels(kAboutWidth);
    Canvas canvas = brushedPlate(width, s.pixels(kAboutHeight), kAboutSeed, s);
    bevel(canvas, s);

    const double nameSize = s.length(kNameSize);
    const double nameWidth = textWidth("Quorrelphone", nameSize, kNameWeight, kNameTracking);
    brassText(canvas, "Quorrelphone", (width - nameWidth) / 2.0, s.length(kNameBaseline), nameSize,
              kNameWeight, kNameTracking, s);

    const double textSize = s.length(kTextSize);
    const char* tagline = "buzzing reed voice";
    labelText(canvas, tagline, (width - labelWidth(tagline, textSize)) / 2.0, s.length(kTaglineBaseline),
              textSize, kSilk, s);

    const std::int32_t ruleTop = s.pixels(kRuleRow);
    const std::int32_t thickness = s.pixels(kRuleThickness);
    const double margin = s.length(kMargin);
    const Rgb ruleColour = mix(kBrassDark, kBrassLight, 0.4);
    for (std::int32_t x = s.pixels(kMargin); x < width - s.pixels(kMargin); ++x) {
        const double t = std::fabs((x + 0.5) - width / 2.0) / (width / 2.0 - margin);
        const double fade = 1.0 - t * t;
        for (std::int32_t row = 0; row < thickness; ++row) {
            canvas.blend(x, ruleTop + row, ruleColour, 0.55 * fade);
            canvas.blend(x, ruleTop + thickness + row, kBlack, 0.35 * fade);
        }
    }

    labelText(canvas, "Veltmarsk", margin, s.length(kFooterBaseline), textSize, kSilkDim, s);
    // The first two parts of the release number: the 100 % picture is committed, so
    // a new release without a new picture fails the art check.
    const std::string version = std::string("version ") + kArtReleaseVersion;
    labelText(canvas, version, width - margin - labelWidth(version, textSize), s.length(kFooterBaseline),
              textSize, kSilkDim, s);
    return canvas.toPicture();
}

}  // namespace qp::art
