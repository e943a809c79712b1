#include "editor/art/Panel.h"

#include <vector>

#include "editor/art/StrokeFont.h"

namespace qp::art {

namespace {

// The brushing averages the noise of this many pixels either side of a pixel.
constexpr std::int32_t kBrushReach = 14;
constexpr std::int32_t kBevelDepth = 3;
constexpr std::int32_t kBevelHairline = 1;

}  // namespace

Canvas brushedPlate(std::int32_t width, std::int32_t height, std::int32_t seed, const Scale& scale) {
    Canvas canvas(width, height);
    const std::int32_t reach = scale.pixels(kBrushReach);
    const std::int32_t window = 2 * reach + 1;
    std::vector<double> raw(std::size_t(width + window));
    for (std::int32_t y = 0; y < height; ++y) {
        const Rgb base = mix(kPlateTop, kPlateBottom, (y + 0.5) / height);
        const double rowShift = (hash01(0, y, seed + 1) - 0.5) * 3.0;
        for (std::int32_t x = -reach; x < width + reach + 1; ++x) {
            raw[std::size_t(x + reach)] = hash01(x, y, seed) - 0.5;
        }
        double acc = 0.0;
        for (std::int32_t i = 0; i < window; ++i) {
            acc += raw[std::size_t(i)];
        }
        for (std::int32_t x = 0; x < width; ++x) {
            const double streak = acc / window;
            const double grain = raw[std::size_t(x + reach)] * 0.18;
            const double v = rowShift + streak * 22.0 + grain * 6.0;
            // a light fall-off towards the edges, as under a lamp above the plate's middle
            const double ex = (x + 0.5) / width * 2.0 - 1.0;
            const double ey = (y + 0.5) / height * 2.0 - 1.0;
            const double k = 1.0 - 0.16 * (ex * ex * 0.7 + ey * ey * 0.3);
            canvas.set(x, y, {(base.r + v) * k, (base.g + v) * k, (base.b + v * 1.05) * k});
            acc += raw[std::size_t(x + window)] - raw[std::size_t(x)];
        }
    }
    return canvas;
}

void bevel(Canvas& canvas, const Scale& scale) {
    const std::int32_t depth = scale.pixels(kBevelDepth);
    const std::int32_t hairline = scale.pixels(kBevelHairline);
    const std::int32_t w = canvas.width();
    const std::int32_t h = canvas.height();
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const std::int32_t nearLit = std::min(x, y);
            const std::int32_t nearDark = std::min(w - 1 - x, h - 1 - y);
            const std::int32_t edge = std::min(nearLit, nearDark);
            if (edge >= depth) {
                continue;
            }
            if (edge < hairline) {
                canvas.blend(x, y, {8.0, 8.0, 9.0}, 0.85);
                continue;
            }
            const double strength = (depth - edge) / double(depth - hairline);
            if (nearLit <= nearDark) {
                canvas.blend(x, y, {255.0, 250.0, 240.0}, 0.16 * strength);
            } else {
                canvas.blend(x, y, kBlack, 0.40 * strength);
            }
        }
    }
}

void brassText(Canvas& canvas, std::string_view text, double left, double baseline, double size,
               double weight, double tracking, const Scale& scale) {
    const Mask mask = textMask(text, left, baseline, size, weight, tracking);
    canvas.applyMask(mask.blurred(scale.pixels(1)), kBlack, 0.75, scale.pixels(1), scale.pixels(2));
    canvas.applyMask(mask, Rgb{20.0, 14.0, 8.0}, 0.8, 0, scale.pixels(1));
    // Bright upper half, a darker band under the middle where a polished surface
    // mirrors the floor.
    const double top = baseline - size * 1.45;
    const double bottom = baseline + size * 0.1;
    canvas.applyMask(mask, [top, bottom](double, double py) {
        const double t = clamp01((py - top) / (bottom - top));
        if (t < 0.5) {
            return mix(kBrassLight, {226.0, 178.0, 96.0}, t / 0.5);
        }
        return mix({200.0, 146.0, 66.0}, kBrassDark, (t - 0.5) / 0.5);
    });
}

void labelText(Canvas& canvas, std::string_view text, double left, double baseline, double size, Rgb colour,
               const Scale& scale) {
    const Mask mask = textMask(text, left, baseline, size, kLabelWeight, kLabelTracking);
    canvas.applyMask(mask, kBlack, 0.5, 0, scale.pixels(1));
    canvas.applyMask(mask, colour);
}

double labelWidth(std::string_view text, double size) {
    return textWidth(text, size, kLabelWeight, kLabelTracking);
}

}  // namespace qp::art
