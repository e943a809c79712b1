#include "tools/art/ArtChecks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "gui/Zoom.h"

namespace qp::art {
namespace {

// A knob pixel may not lean towards green by more than this: one that does is an
// edge blended into the key colour, drawn as a green fringe around the knob.
constexpr std::int32_t kMaxGreenLean = 16;
constexpr double kAngleTolerance = 1.0;
constexpr double kStepTolerance = 0.5;
// At 100 %; the counts of pixels scale with the area, percent squared.
constexpr double kMinPointerPixels = 25.0;
constexpr double kMinNamePixels = 800.0;
constexpr double kMaxStrayNamePixels = 50.0;
constexpr double kMinAboutNamePixels = 500.0;
constexpr double kWellRadius = 43.5;
constexpr double kLipWidth = 2.0;

struct Pixel {
    std::int32_t r;
    std::int32_t g;
    std::int32_t b;
};

Pixel at(const Picture& p, std::int32_t x, std::int32_t y) {
    const std::uint8_t* c = p.rgb.data() + (std::size_t(y) * std::size_t(p.width) + std::size_t(x)) * 3;
    return {c[0], c[1], c[2]};
}

bool isGreen(Pixel c) { return c.r == kKeyGreen[0] && c.g == kKeyGreen[1] && c.b == kKeyGreen[2]; }

std::string format(const char* fmt, double a = 0, double b = 0, double c = 0, double d = 0) {
    char text[200];
    std::snprintf(text, sizeof text, fmt, a, b, c, d);
    return text;
}

std::string sizeError(const char* name, const Picture& p, std::int32_t w, std::int32_t h) {
    if (p.width == w && p.height == h && p.rgb.size() == std::size_t(w) * std::size_t(h) * 3) {
        return {};
    }
    return std::string(name) + format(": %.0f x %.0f, expected %.0f x %.0f", p.width, p.height, w, h);
}

// How much of a pixel is the pointer's amber inlay: the only saturated warm colour
// on the knob (the metal is grey, slightly blue); 0 for everything else.
double pointerWeight(Pixel c) {
    if (isGreen(c) || c.g > c.r) {
        return 0.0;
    }
    return std::max(0.0, double(c.r - c.b) - 30.0);
}

double luminance(Pixel c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

double ringMean(const Picture& p, double cx, double cy, double rIn, double rOut) {
    double total = 0.0;
    std::int32_t n = 0;
    for (std::int32_t y = std::int32_t(cy - rOut) - 1; y < std::int32_t(cy + rOut) + 2; ++y) {
        for (std::int32_t x = std::int32_t(cx - rOut) - 1; x < std::int32_t(cx + rOut) + 2; ++x) {
            const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (rIn <= r && r <= rOut && 0 <= y && y < p.height && 0 <= x && x < p.width) {
                total += luminance(at(p, x, y));
                ++n;
            }
        }
    }
    return n > 0 ? total / n : 0.0;
}

std::int32_t brassPixels(const Picture& p, std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom) {
    std::int32_t n = 0;
    for (std::int32_t y = std::max(0, top); y < std::min(p.height, bottom); ++y) {
        for (std::int32_t x = std::max(0, left); x < std::min(p.width, right); ++x) {
            const Pixel c = at(p, x, y);
            n += c.r >= 150 && c.r - c.b >= 60;
        }
    }
    return n;
}

}  // namespace

std::string checkKnobStrip(const Picture& strip, std::int32_t percent) {
    const std::int32_t size = zoomed(kKnobFrameSize, percent);
    if (std::string e = sizeError("knob strip", strip, size, size * kKnobFrames); !e.empty()) {
        return e;
    }
    const double s = percent / 100.0;
    const double centre = size / 2.0;
    const double radius = kKnobRadius * s;
    const double disc = 3.14159265358979323846 * radius * radius;
    double previous = 0.0;
    for (std::int32_t f = 0; f < kKnobFrames; ++f) {
        std::int32_t inked = 0;
        double sx = 0.0;
        double sy = 0.0;
        double total = 0.0;
        std::int32_t pointerPixels = 0;
        for (std::int32_t y = 0; y < size; ++y) {
            for (std::int32_t x = 0; x < size; ++x) {
                const Pixel c = at(strip, x, f * size + y);
                const double dx = x + 0.5 - centre;
                const double dy = y + 0.5 - centre;
                const double r = std::hypot(dx, dy);
                if (isGreen(c)) {
                    if (r <= radius - 1.0) {
                        return format("knob frame %.0f: green hole at (%.0f, %.0f) inside the knob", f, x, y);
                    }
                    continue;
                }
                if (c.g - std::max(c.r, c.b) > kMaxGreenLean) {
                    return format("knob frame %.0f: pixel (%.0f, %.0f) leans towards the transparent green",
                                  f, x, y);
                }
                if (r > radius + 0.75) {
                    return format("knob frame %.0f: pixel (%.0f, %.0f) outside the knob is not transparent",
                                  f, x, y);
                }
                ++inked;
                const double w = pointerWeight(c);
                sx += w * dx;
                sy += w * dy;
                total += w;
                pointerPixels += w >= 100.0;
            }
        }
        if (std::fabs(inked - disc) >= 0.03 * disc) {
            return format("knob frame %.0f: %.0f knob pixels, the disc has about %.0f", f, inked, disc);
        }
        if (pointerPixels < kMinPointerPixels * s * s) {
            return format("knob frame %.0f: pointer not visible (%.0f pixels)", f, pointerPixels);
        }
        const double angle = std::atan2(sx, -sy) * (180.0 / 3.14159265358979323846);
        const double expected = kKnobStartDegrees + kKnobSweepDegrees * f / (kKnobFrames - 1);
        if (std::fabs(angle - expected) > kAngleTolerance) {
            return format("knob frame %.0f: pointer at %.1f degrees, expected %.1f", f, angle, expected);
        }
        const double step = angle - previous;
        if (f > 0 && std::fabs(step - kKnobSweepDegrees / (kKnobFrames - 1)) > kStepTolerance) {
            return format("knob frame %.0f: pointer moved %.2f degrees from the frame before", f, step);
        }
        previous = angle;
    }
    return {};
}

std::string checkFace(const Picture& face, std::int32_t percent) {
    if (std::string e = sizeError("face", face, zoomed(kFaceWidth, percent), zoomed(kFaceHeight, percent));
        !e.empty()) {
        return e;
    }
    const double s = percent / 100.0;
    for (const Rect& knob : kKnobRects) {
        const Rect r = zoomed(knob, percent);
        const double cx = (r.left + r.right) / 2.0;
        const double cy = (r.top + r.bottom) / 2.0;
        const double floor = ringMean(face, cx, cy, (kKnobRadius - 1.0) * s, (kWellRadius - 1.0) * s);
        const double plate =
            ringMean(face, cx, cy, (kWellRadius + kLipWidth + 2.0) * s, (kWellRadius + kLipWidth + 4.0) * s);
        if (!(floor < 0.6 * plate)) {
            return format("face: no dark well around the knob at (%.0f, %.0f) (floor %.0f, plate %.0f)",
                          knob.left, knob.top, floor, plate);
        }
    }
    const Rect area = zoomed(kCommandArea, percent);
    const std::int32_t inside = brassPixels(face, area.left, area.top, area.right, area.bottom);
    if (inside <= kMinNamePixels * s * s) {
        return format("face: no product name over the command area (%.0f brass pixels)", inside);
    }
    // the band around the area: its own width above it, and everything below and beside it
    const std::int32_t bandTop = area.top - zoomed(8, percent);
    const std::int32_t outside = brassPixels(face, 0, bandTop, face.width, face.height) - inside;
    if (outside >= kMaxStrayNamePixels * s * s) {
        return format("face: the product name spills out of the command area (%.0f brass pixels)", outside);
    }
    return {};
}

std::string checkAbout(const Picture& about, std::int32_t percent) {
    if (std::string e =
            sizeError("about", about, zoomed(kAboutWidth, percent), zoomed(kAboutHeight, percent));
        !e.empty()) {
        return e;
    }
    const double s = percent / 100.0;
    if (brassPixels(about, 0, 0, about.width, about.height) <= kMinAboutNamePixels * s * s) {
        return "about: no product name";
    }
    return {};
}

double meanDifference(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) {
        return 255.0;
    }
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        sum += std::uint64_t(std::abs(std::int32_t(a.rgb[i]) - std::int32_t(b.rgb[i])));
    }
    return double(sum) / double(a.rgb.size());
}

Picture nearestUpsample(const Picture& p, std::int32_t w, std::int32_t h) {
    Picture out{w, h, std::vector<std::uint8_t>(std::size_t(w) * std::size_t(h) * 3)};
    for (std::int32_t y = 0; y < h; ++y) {
        const std::int32_t sy = std::min(p.height - 1, std::int32_t((y + 0.5) * p.height / h));
        for (std::int32_t x = 0; x < w; ++x) {
            const std::int32_t sx = std::min(p.width - 1, std::int32_t((x + 0.5) * p.width / w));
            for (std::int32_t c = 0; c < 3; ++c) {
                out.rgb[(std::size_t(y) * w + x) * 3 + c] = p.rgb[(std::size_t(sy) * p.width + sx) * 3 + c];
            }
        }
    }
    return out;
}

Picture bilinearUpsample(const Picture& p, std::int32_t w, std::int32_t h) {
    Picture out{w, h, std::vector<std::uint8_t>(std::size_t(w) * std::size_t(h) * 3)};
    const auto source = [](std::int32_t i, std::int32_t to, std::int32_t from, std::int32_t& i0, double& t) {
        const double v = std::clamp((i + 0.5) * from / to - 0.5, 0.0, from - 1.0);
        i0 = std::min(from - 2, std::int32_t(v));
        t = v - i0;
    };
    for (std::int32_t y = 0; y < h; ++y) {
        std::int32_t y0 = 0;
        double ty = 0.0;
        source(y, h, p.height, y0, ty);
        for (std::int32_t x = 0; x < w; ++x) {
            std::int32_t x0 = 0;
            double tx = 0.0;
            source(x, w, p.width, x0, tx);
            for (std::int32_t c = 0; c < 3; ++c) {
                const auto v = [&](std::int32_t dx, std::int32_t dy) {
                    return double(p.rgb[(std::size_t(y0 + dy) * p.width + x0 + dx) * 3 + c]);
                };
                const double top = v(0, 0) + (v(1, 0) - v(0, 0)) * tx;
                const double bottom = v(0, 1) + (v(1, 1) - v(0, 1)) * tx;
                out.rgb[(std::size_t(y) * w + x) * 3 + c] =
                    std::uint8_t(std::lround(top + (bottom - top) * ty));
            }
        }
    }
    return out;
}

Picture boxDownsample2(const Picture& p) {
    const std::int32_t w = p.width / 2;
    const std::int32_t h = p.height / 2;
    Picture out{w, h, std::vector<std::uint8_t>(std::size_t(w) * std::size_t(h) * 3)};
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            for (std::int32_t c = 0; c < 3; ++c) {
                std::int32_t sum = 0;
                for (std::int32_t k = 0; k < 4; ++k) {
                    sum += p.rgb[(std::size_t(2 * y + k / 2) * p.width + 2 * x + k % 2) * 3 + c];
                }
                out.rgb[(std::size_t(y) * w + x) * 3 + c] = std::uint8_t((sum + 2) / 4);
            }
        }
    }
    return out;
}

}  // namespace qp::art
