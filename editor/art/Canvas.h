// A floating-point RGB canvas with the few operations the pictures need: blending
// a colour through a coverage, signed-distance shapes with a one-pixel coverage
// ramp, and coverage masks for shapes built from many parts (text, curves).
//
// Coordinates: x to the right, y down; pixel (x, y) covers [x, x+1) x [y, y+1) and
// is sampled at its centre (x + 0.5, y + 0.5). All lengths are device pixels of
// the picture being drawn, so edges stay one pixel soft at every zoom step.
// The arithmetic keeps one fixed order (the 100 % pictures are compared byte for
// byte with the committed files): do not regroup the expressions.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "editor/art/Art.h"
#include "editor/art/ArtMath.h"

namespace qp::art {

struct Rgb {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

inline double clamp01(double v) { return v < 0.0 ? 0.0 : v > 1.0 ? 1.0 : v; }

// Fraction of a pixel inside a shape whose signed distance at the pixel centre is
// `distance` (negative inside): the box-filter estimate of a one-pixel ramp.
inline double coverage(double distance) { return clamp01(0.5 - distance); }

inline double smoothstep(double edge0, double edge1, double v) {
    const double t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

inline Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// An integer hash of a lattice point to [0, 1]: the same numbers on every machine.
inline double hash01(std::int32_t x, std::int32_t y, std::int32_t seed) {
    std::uint32_t h =
        std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(seed) * 1442695041u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return double(h & 0xFFFFu) / 65535.0;
}

inline double sdCircle(double px, double py, double cx, double cy, double r) {
    return math::hypot(px - cx, py - cy) - r;
}

double sdRoundRect(double px, double py, double left, double top, double right, double bottom, double radius);
double distSegment(double px, double py, double ax, double ay, double bx, double by);

// Byte of a channel: rounded, halves up, and clamped.
inline std::uint8_t toByte(double v) {
    const double f = std::floor(v + 0.5);
    return f < 0.0 ? 0 : f > 255.0 ? 255 : std::uint8_t(f);
}

// A rectangle of doubles (left, top, right, bottom) that a shape may touch.
struct Bounds {
    double left;
    double top;
    double right;
    double bottom;
};

class Mask {
public:
    Mask(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);

    void addCapsule(double ax, double ay, double bx, double by, double radius);
    // Box blur applied twice (close to a Gaussian), grown by the blur's reach; for
    // soft shadows and glows.
    Mask blurred(std::int32_t radius) const;

    std::int32_t left;
    std::int32_t top;
    std::int32_t width;
    std::int32_t height;
    std::vector<double> values;
};

class Canvas {
public:
    Canvas(std::int32_t width, std::int32_t height);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    Rgb get(std::int32_t x, std::int32_t y) const { return pixels_[std::size_t(y) * width_ + x]; }
    void set(std::int32_t x, std::int32_t y, Rgb c) { pixels_[std::size_t(y) * width_ + x] = c; }

    void blend(std::int32_t x, std::int32_t y, Rgb c, double alpha) {
        if (alpha <= 0.0 || x < 0 || x >= width_ || y < 0 || y >= height_) {
            return;
        }
        Rgb& p = pixels_[std::size_t(y) * width_ + x];
        if (alpha >= 1.0) {
            p = c;
            return;
        }
        p.r += (c.r - p.r) * alpha;
        p.g += (c.g - p.g) * alpha;
        p.b += (c.b - p.b) * alpha;
    }

    // shade(px, py, current colour) -> new colour, for every pixel in bounds.
    template <typename Shade>
    void shade(Bounds bounds, Shade&& fn) {
        const Box b = box(bounds);
        for (std::int32_t y = b.y0; y < b.y1; ++y) {
            for (std::int32_t x = b.x0; x < b.x1; ++x) {
                set(x, y, fn(x + 0.5, y + 0.5, get(x, y)));
            }
        }
    }

    // Blends `colour` (an Rgb or fn(px, py) -> Rgb) where sdf(px, py) < 0.
    template <typename Sdf, typename Colour>
    void fillSdf(Bounds bounds, Sdf&& sdf, Colour&& colour, double opacity = 1.0) {
        const Box b = box(bounds);
        for (std::int32_t y = b.y0; y < b.y1; ++y) {
            const double py = y + 0.5;
            for (std::int32_t x = b.x0; x < b.x1; ++x) {
                const double px = x + 0.5;
                const double a = coverage(sdf(px, py)) * opacity;
                if (a > 0.0) {
                    blend(x, y, colourAt(colour, px, py), a);
                }
            }
        }
    }

    // The mask's coverages at its own origin shifted by (dx, dy).
    template <typename Colour>
    void applyMask(const Mask& mask, Colour&& colour, double opacity = 1.0, std::int32_t dx = 0,
                   std::int32_t dy = 0) {
        for (std::int32_t my = 0; my < mask.height; ++my) {
            const std::int32_t y = mask.top + my + dy;
            for (std::int32_t mx = 0; mx < mask.width; ++mx) {
                const double a = mask.values[std::size_t(my) * mask.width + mx];
                if (a > 0.0) {
                    const std::int32_t x = mask.left + mx + dx;
                    blend(x, y, colourAt(colour, x + 0.5, y + 0.5), a * opacity);
                }
            }
        }
    }

    Picture toPicture() const;

private:
    struct Box {
        std::int32_t x0;
        std::int32_t y0;
        std::int32_t x1;
        std::int32_t y1;
    };
    Box box(Bounds b) const;

    template <typename Colour>
    static Rgb colourAt(Colour& colour, double px, double py) {
        if constexpr (std::is_invocable_v<Colour&, double, double>) {
            return colour(px, py);
        } else {
            return colour;
        }
    }

    std::int32_t width_;
    std::int32_t height_;
    std::vector<Rgb> pixels_;
};

}  // namespace qp::art
