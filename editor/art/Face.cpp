// The editor face: a brushed graphite plate, two recessed knob wells under the
// knob rectangles, their labels, a picture of what the effect does, and the brass
// product name over the command area (the name is what the user clicks for the
// menu).
#include <cstdint>
#include <vector>

#include "editor/art/Art.h"
#include "editor/art/Panel.h"
#include "editor/art/StrokeFont.h"

namespace qp::art {
namespace {

constexpr std::int32_t kFaceSeed = 176;
constexpr double kWellRadius = 43.5;
constexpr double kLipWidth = 2.0;
constexpr double kLabelBaseline = 12.0;
constexpr double kLabelSize = 7.0;
constexpr double kLeftMargin = 14.0;
constexpr double kLogoSize = 17.2;
constexpr double kLogoBaseline = 147.0;
constexpr double kLogoWeight = 2.1;
constexpr double kLogoTracking = 2.4;
// The inset window with the picture of the voice and its buzz.
constexpr Bounds kVoiceWindow{kLeftMargin, 19.0, 104.0, 107.0};
constexpr const char* kKnobLabels[2] = {"sens", "buzz"};

struct Centre {
    double x;
    double y;
};

Centre knobCentre(const Rect& r) { return {(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0}; }

void well(Canvas& canvas, Centre centre, const Scale& s) {
    // The key light comes from the upper left, as on the knob.
    static const double lightAngle = math::atan2(-0.62, -0.46);
    const double cx = centre.x;
    const double cy = centre.y;
    const double wellRadius = s.length(kWellRadius);
    const double outer = wellRadius + s.length(kLipWidth);
    const double knobRadius = s.length(kKnobRadius);
    const Rgb floorColour{19.0, 18.0, 18.0};
    const auto shade = [&](double px, double py, Rgb current) {
        const double dx = px - cx;
        const double dy = py - cy;
        const double r = math::hypot(dx, dy);
        const double facing = math::cos(math::atan2(dy, dx) - lightAngle);  // 1 towards the light
        // Outside: a soft contact darkening of the plate around the hole.
        Rgb c = mix(current, kBlack, 0.25 * (1.0 - smoothstep(outer, outer + s.length(3.0), r)));
        // Countersunk lip: its far side (away from the light) faces the light.
        const Rgb lip =
            mix({40.0, 39.0, 39.0}, {150.0, 146.0, 140.0}, math::pow(clamp01(0.5 - 0.5 * facing), 1.5));
        c = mix(c, lip, coverage(r - outer));
        // Floor: in the lip's shadow near the lit side, under the knob's shadow elsewhere.
        Rgb f = floorColour;
        const double lipShadow = smoothstep(s.length(-1.5), s.length(3.0),
                                            math::hypot(dx - s.length(3.0), dy - s.length(4.0)) - wellRadius);
        f = mix(f, {6.0, 6.0, 7.0}, lipShadow * 0.8);
        const double knobShadow = 1.0 - smoothstep(knobRadius - s.length(2.0), knobRadius + s.length(4.5),
                                                   math::hypot(dx - s.length(2.0), dy - s.length(3.0)));
        f = mix(f, {4.0, 4.0, 5.0}, knobShadow * 0.85);
        // The wall at the far rim catches the light as a thin crescent.
        const double wall = clamp01(-facing) * smoothstep(wellRadius - s.length(2.0), wellRadius, r);
        f = mix(f, {88.0, 85.0, 82.0}, wall * 0.8);
        return mix(c, f, coverage(r - wellRadius));
    };
    const double reach = s.length(4.0);
    canvas.shade({cx - outer - reach, cy - outer - reach, cx + outer + reach, cy + outer + reach}, shade);
}

// Dots at the two ends of the knob's travel.
void scaleMarks(Canvas& canvas, Centre centre, const Scale& s) {
    const double r = s.length(kWellRadius) + s.length(kLipWidth) + s.length(3.2);
    const double dotRadius = s.length(1.1);
    const double reach = s.length(3.0);
    for (double degrees : {kKnobStartDegrees, kKnobStartDegrees + kKnobSweepDegrees}) {
        const double a = math::radians(degrees);
        const double x = centre.x + r * math::sin(a);
        const double y = centre.y - r * math::cos(a);
        canvas.fillSdf(
            {x - reach, y - reach, x + reach, y + reach},
            [&](double px, double py) { return sdCircle(px, py, x, y, dotRadius); }, kSilk);
    }
}

// The voice as the effect hears it: a step while it is above the level, then a
// high-pass and a low-pass with time constants of a few pixels (0.8 and 0.55 per
// sample), so each crossing shows as one sharp reedy spike.
std::vector<double> buzzTrain(const std::vector<double>& voice, double threshold) {
    double hpState = 0.0;
    double lp = 0.0;
    double previous = 0.0;
    std::vector<double> out;
    out.reserve(voice.size());
    for (double v : voice) {
        const double step = v > threshold ? 1.0 : 0.0;
        const double hp = 0.8 * (hpState + step - previous);
        hpState = hp;
        previous = step;
        lp += 0.55 * (hp - lp);
        out.push_back(lp);
    }
    return out;
}

// An inset window with the effect's idea: a voice wave, the level it must cross,
// and the reedy pulse train that follows its pitch.
void voicePicture(Canvas& canvas, const Scale& s) {
    const double left = s.length(kVoiceWindow.left);
    const double top = s.length(kVoiceWindow.top);
    const double right = s.length(kVoiceWindow.right);
    const double bottom = s.length(kVoiceWindow.bottom);
    const double radius = s.length(5.0);
    const double rim = s.length(1.5);
    const double bezelReach = s.length(3.0);
    // the window is sunk into the plate: its upper rim in shadow, the lower one lit
    const auto bezel = [&](double, double py) {
        return mix({14.0, 13.0, 13.0}, {112.0, 108.0, 104.0},
                   math::pow(smoothstep(top, bottom + s.length(1.0), py), 1.6));
    };
    canvas.fillSdf(
        {left - bezelReach, top - bezelReach, right + bezelReach, bottom + bezelReach},
        [&](double px, double py) {
            return sdRoundRect(px, py, left - rim, top - rim, right + rim, bottom + rim, radius + rim);
        },
        bezel);
    const auto glass = [&](double px, double py) {
        const double t = (py - top) / (bottom - top);
        const Rgb c = mix({24.0, 22.0, 24.0}, {11.0, 10.0, 12.0}, t);
        // a faint diagonal reflection over the upper left
        const double sheen =
            smoothstep(0.0, s.length(8.0), (right - px) * 0.55 + (bottom - py) - (bottom - top) * 0.75);
        return mix(c, {40.0, 38.0, 40.0}, 0.35 * sheen * (1.0 - t));
    };
    canvas.fillSdf(
        {left, top, right, bottom},
        [&](double px, double py) { return sdRoundRect(px, py, left, top, right, bottom, radius); }, glass);

    const double mid = (top + bottom) / 2.0;
    const double amp = (bottom - top) * 0.25;
    const std::int32_t maskLeft = std::int32_t(left);
    const std::int32_t maskTop = std::int32_t(top);
    Mask wave(maskLeft, maskTop, std::int32_t(right - left), std::int32_t(bottom - top));
    Mask buzz(maskLeft, maskTop, std::int32_t(right - left), std::int32_t(bottom - top));
    constexpr double threshold = 0.52;
    const double inset = s.length(4.0);
    // The curve has the same samples at every step, half a pixel apart at 100 %.
    const std::int32_t samples = std::int32_t((kVoiceWindow.right - kVoiceWindow.left - 8.0) * 2) + 1;
    std::vector<double> xs(static_cast<std::size_t>(samples));
    std::vector<double> voice(static_cast<std::size_t>(samples));
    for (std::int32_t i = 0; i < samples; ++i) {
        const double x = left + inset + s.length(i * 0.5);
        const double t = (x - left - inset) / (right - left - 2.0 * inset);
        const double phase = 2.0 * math::kPi * 3.0 * t - 0.9;
        xs[std::size_t(i)] = x;
        voice[std::size_t(i)] = 0.78 * math::sin(phase) + 0.3 * math::sin(2.0 * phase + 0.9);
    }
    const std::vector<double> out = buzzTrain(voice, threshold);
    double peak = 0.0;
    for (double v : out) {
        peak = std::max(peak, std::fabs(v));
    }
    const double waveRadius = s.length(0.45);
    const double buzzRadius = s.length(0.7);
    for (std::size_t i = 1; i < xs.size(); ++i) {
        wave.addCapsule(xs[i - 1], mid - voice[i - 1] * amp, xs[i], mid - voice[i] * amp, waveRadius);
        buzz.addCapsule(xs[i - 1], mid - out[i - 1] / peak * amp * 1.15, xs[i],
                        mid - out[i] / peak * amp * 1.15, buzzRadius);
    }
    // The level as a dashed line: dashes 2 pixels long every 4 at 100 %.
    const double levelY = mid - threshold * amp;
    const double dashReach = s.length(2.0);
    const double dashHalf = s.length(0.35);
    for (std::int32_t x = std::int32_t(kVoiceWindow.left) + 4; x < std::int32_t(kVoiceWindow.right) - 4;
         x += 4) {
        canvas.fillSdf(
            {double(s.pixels(x)), levelY - dashReach, double(s.pixels(x + 2)), levelY + dashReach},
            [&](double, double py) { return std::fabs(py - levelY) - dashHalf; }, Rgb{120.0, 110.0, 96.0},
            0.5);
    }
    canvas.applyMask(wave, Rgb{120.0, 128.0, 140.0}, 0.8);
    canvas.applyMask(buzz.blurred(s.pixels(2)), Rgb{255.0, 150.0, 40.0}, 0.55);
    canvas.applyMask(buzz, Rgb{255.0, 186.0, 92.0});
}

}  // namespace

Picture drawFace(std::int32_t percent) {
    const Scale s(percent);
    Canvas canvas = brushedPlate(s.pixels(kFaceWidth), s.pixels(kFaceHeight), kFaceSeed, s);
    bevel(canvas, s);
    for (const Rect& r : kKnobRects) {
        well(canvas, knobCentre(zoomed(r, percent)), s);
    }
    for (std::int32_t i = 0; i < 2; ++i) {
        const Centre c = knobCentre(zoomed(kKnobRects[i], percent));
        scaleMarks(canvas, c, s);
        const double size = s.length(kLabelSize);
        labelText(canvas, kKnobLabels[i], c.x - labelWidth(kKnobLabels[i], size) / 2.0,
                  s.length(kLabelBaseline), size, kSilk, s);
    }
    labelText(canvas, "Veltmarsk", s.length(kLeftMargin), s.length(kLabelBaseline), s.length(kLabelSize),
              kSilkDim, s);
    voicePicture(canvas, s);
    brassText(canvas, "Quorrelphone", s.length(kLeftMargin), s.length(kLogoBaseline), s.length(kLogoSize),
              kLogoWeight, kLogoTracking, s);
    return canvas.toPicture();
}

}  // namespace qp::art
