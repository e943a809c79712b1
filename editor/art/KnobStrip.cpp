// The knob's film strip. Frame f shows the value f / 90 with the pointer at
// -135 + 3 f degrees (clockwise, 0 = up). The ground is pure green, which the
// editor draws as transparent, so the knob's silhouette is a hard edge (no pixel
// may mix into the green); the rim is dark, like the well floor the face puts
// behind it, so the stair-steps of that edge do not show.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "editor/art/Art.h"
#include "editor/art/Panel.h"

namespace qp::art {
namespace {

// Radii of the knob's rings, outside in: dark rim, knurled black skirt, bright
// chamfer, spun-aluminium cap.
constexpr double kRim = 39.2;
constexpr double kSkirt = 32.6;
constexpr double kCap = 30.0;
constexpr double kKnurlRidges = 40.0;
constexpr double kPointerInner = 8.0;
constexpr double kPointerOuter = 26.8;
constexpr double kPointerHalfWidth = 1.55;
// The dark groove around the pointer's inlay reaches this far past the inlay.
constexpr double kPointerGroove = 0.9;
constexpr Rgb kAmber{255.0, 158.0, 40.0};
constexpr Rgb kRimColour{11.0, 11.0, 12.0};

struct Vec3 {
    double x;
    double y;
    double z;
};

Vec3 normalise(Vec3 v) {
    const double n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / n, v.y / n, v.z / n};
}

// Key light from the upper left, a little in front of the panel, and the vector
// half-way between it and a viewer straight ahead.
struct Light {
    Light()
        : l(normalise({-0.46, -0.62, 0.64})),
          h(normalise({l.x, l.y, l.z + 1.0})),
          angle(math::atan2(-0.62, -0.46)) {}
    Vec3 l;
    Vec3 h;
    double angle;
};

const Light& light() {
    static const Light instance;
    return instance;
}

Rgb lit(Vec3 n, Rgb base, Rgb diffuse, double specular, double shininess) {
    const Light& k = light();
    const double d = std::max(0.0, n.x * k.l.x + n.y * k.l.y + n.z * k.l.z);
    const double s = math::pow(std::max(0.0, n.x * k.h.x + n.y * k.h.y + n.z * k.h.z), shininess);
    return {base.r + diffuse.r * d + specular * s, base.g + diffuse.g * d + specular * s,
            base.b + diffuse.b * d + specular * s};
}

double ringHash(std::int32_t i) {
    std::uint32_t h = std::uint32_t(i) * 2654435761u + 97u;
    h = (h ^ (h >> 15)) * 2246822519u;
    h ^= h >> 13;
    return double(h & 0xFFFFu) / 65535.0;
}

// Fine concentric grooves of spun metal: a smooth random profile along the radius
// (r in 100 % units, so the grooves scale with the knob).
double ringTexture(double r) {
    const double t = r * 2.7;
    const double i = std::floor(t);
    const double f = t - i;
    const double a = ringHash(std::int32_t(i));
    const double b = ringHash(std::int32_t(i) + 1);
    return a + (b - a) * f - 0.5;
}

Rgb capColour(double dx, double dy, double r, double theta, const Scale& s) {
    const Light& k = light();
    const double cap = s.length(kCap);
    // Spun metal reflects in a bow-tie along the line towards the light; the rest
    // is a soft dome shading and the grooves.
    const double along = math::cos(theta - k.angle);
    const double bowtie = along * along;
    const double towardsLight = -(dx * k.l.x + dy * k.l.y) / cap;
    double level = 118.0 + 24.0 * towardsLight + 82.0 * math::pow(bowtie, 6.0) + 20.0 * bowtie;
    level += 9.0 * ringTexture(r / s.factor);
    const double inner = s.length(22.0);
    level *= 1.0 - 0.12 * clamp01((r - inner) / (cap - inner));
    return {level, level + 2.0, level + 6.0};
}

Rgb chamferColour(double theta) {
    const double s = math::sin(math::radians(48.0));
    const Vec3 n{math::cos(theta) * s, math::sin(theta) * s, math::cos(math::radians(48.0))};
    return lit(n, {70.0, 72.0, 76.0}, {150.0, 150.0, 152.0}, 90.0, 12.0);
}

// Everything about a pixel of the knob that does not turn with it.
struct DiscPixel {
    std::size_t index;
    double dx;
    double dy;
    double r;
    double theta;
    double wCap;
    double wChamfer;
    double wSkirt;
    Rgb cap;
    Rgb chamfer;
    // The skirt: a cone falling away from the chamfer at this slope, and the
    // darkening of the groove where it meets the chamfer.
    double cosTheta;
    double sinTheta;
    double slopeSin;
    double slopeCos;
    double skirtGroove;
};

std::vector<DiscPixel> discPixels(std::int32_t size, const Scale& s) {
    const double centre = size / 2.0;
    const double radius = s.length(kKnobRadius);
    const double rim = s.length(kRim);
    const double skirt = s.length(kSkirt);
    const double cap = s.length(kCap);
    std::vector<DiscPixel> pixels;
    for (std::int32_t y = 0; y < size; ++y) {
        for (std::int32_t x = 0; x < size; ++x) {
            DiscPixel p{};
            p.dx = x + 0.5 - centre;
            p.dy = y + 0.5 - centre;
            p.r = math::hypot(p.dx, p.dy);
            if (p.r > radius) {
                continue;
            }
            p.index = std::size_t(y) * std::size_t(size) + std::size_t(x);
            p.theta = math::atan2(p.dy, p.dx);
            p.wCap = coverage(p.r - cap);
            p.wChamfer = coverage(p.r - skirt);
            p.wSkirt = coverage(p.r - rim);
            if (p.wCap > 0.0) {
                p.cap = capColour(p.dx, p.dy, p.r, p.theta, s);
            }
            if (p.wChamfer > p.wCap) {
                p.chamfer = chamferColour(p.theta);
            }
            if (p.wSkirt > p.wChamfer) {
                // the outermost pixel or so rolls over into a rounded lip that catches the light
                const double t = (p.r - skirt) / (rim - skirt);
                const double lip = clamp01((t - 0.78) / 0.22);
                const double slope = math::radians(34.0 + 18.0 * t + 26.0 * lip * lip);
                p.slopeSin = math::sin(slope);
                p.slopeCos = math::cos(slope);
                p.cosTheta = math::cos(p.theta);
                p.sinTheta = math::sin(p.theta);
                p.skirtGroove = 1.0 - 0.55 * clamp01(1.0 - std::fabs(p.r - skirt - s.length(0.4)) / s.factor);
            }
            pixels.push_back(p);
        }
    }
    return pixels;
}

// Each knurl ridge tilts the skirt's surface along the circumference, so the
// ridges catch the light and turn with the knob.
Rgb skirtColour(const DiscPixel& p, double phase) {
    const double ridge = 0.45 * math::sin(phase);
    const double tx = -p.sinTheta;
    const double ty = p.cosTheta;
    const Vec3 n =
        normalise({p.cosTheta * p.slopeSin + tx * ridge, p.sinTheta * p.slopeSin + ty * ridge, p.slopeCos});
    return lit(n, {10.0, 10.0, 11.0}, {66.0, 66.0, 70.0}, 140.0, 22.0);
}

// Where the pointer of one frame lies; `turn` is its angle as atan2 gives it.
struct Pointer {
    Pointer(double degrees, const Scale& s) {
        const double a = math::radians(degrees);
        const double ux = math::sin(a);
        const double uy = -math::cos(a);
        const double inner = s.length(kPointerInner);
        const double outer = s.length(kPointerOuter);
        ax = ux * inner;
        ay = uy * inner;
        bx = ux * outer;
        by = uy * outer;
        turn = math::atan2(uy, ux);
        halfWidth = s.length(kPointerHalfWidth);
        groove = s.length(kPointerGroove);
        // Beyond this distance from the pointer's bounding box the groove's
        // coverage is zero, so the distance need not be computed (a pixel to spare).
        const double reach = halfWidth + groove + 1.5;
        left = std::min(ax, bx) - reach;
        right = std::max(ax, bx) + reach;
        top = std::min(ay, by) - reach;
        bottom = std::max(ay, by) + reach;
    }
    bool near(const DiscPixel& p) const {
        return p.dx >= left && p.dx <= right && p.dy >= top && p.dy <= bottom;
    }

    double ax, ay, bx, by, turn, halfWidth, groove;
    double left, right, top, bottom;
};

// One pixel of a frame: the parts of the rings under it, weighted by coverage.
void shadePixel(const DiscPixel& p, const Pointer& pointer, std::uint8_t* frame) {
    double c[3] = {0.0, 0.0, 0.0};
    const auto add = [&c](Rgb colour, double w) {
        c[0] += colour.r * w;
        c[1] += colour.g * w;
        c[2] += colour.b * w;
    };
    if (p.wCap > 0.0) {
        Rgb cap = p.cap;
        if (pointer.near(p)) {
            const double d = distSegment(p.dx, p.dy, pointer.ax, pointer.ay, pointer.bx, pointer.by);
            const double groove = coverage(d - pointer.halfWidth - pointer.groove) * 0.6;
            const double ink = coverage(d - pointer.halfWidth);
            if (groove > 0.0) {
                cap = {cap.r * (1.0 - groove) + 30.0 * groove, cap.g * (1.0 - groove) + 30.0 * groove,
                       cap.b * (1.0 - groove) + 30.0 * groove};
            }
            if (ink > 0.0) {
                // brighter along the pointer's middle, as if the inlay were slightly domed
                const double glow = 1.0 - 0.18 * clamp01(d / pointer.halfWidth);
                cap = {cap.r + (kAmber.r * glow - cap.r) * ink, cap.g + (kAmber.g * glow - cap.g) * ink,
                       cap.b + (kAmber.b * glow - cap.b) * ink};
            }
        }
        add(cap, p.wCap);
    }
    if (p.wChamfer > p.wCap) {
        add(p.chamfer, p.wChamfer - p.wCap);
    }
    if (p.wSkirt > p.wChamfer) {
        const Rgb skirt = skirtColour(p, kKnurlRidges * (p.theta - pointer.turn));
        add({skirt.r * p.skirtGroove, skirt.g * p.skirtGroove, skirt.b * p.skirtGroove},
            p.wSkirt - p.wChamfer);
    }
    if (p.wSkirt < 1.0) {
        add(kRimColour, 1.0 - p.wSkirt);
    }
    std::uint8_t* px = frame + 3 * p.index;
    px[0] = toByte(c[0]);
    px[1] = toByte(c[1]);
    px[2] = toByte(c[2]);
}

}  // namespace

Picture drawKnobStrip(std::int32_t percent) {
    const Scale s(percent);
    const std::int32_t size = s.pixels(kKnobFrameSize);
    const std::vector<DiscPixel> pixels = discPixels(size, s);
    // Only the cap around the pointer and the knurled skirt change from frame to
    // frame: every other pixel is drawn once into a base frame that each frame
    // starts from.
    std::vector<const DiscPixel*> turning;
    std::vector<const DiscPixel*> cap;
    for (const DiscPixel& p : pixels) {
        if (p.wSkirt > p.wChamfer) {
            turning.push_back(&p);
        } else if (p.wCap > 0.0) {
            cap.push_back(&p);
        }
    }
    Picture strip;
    strip.width = size;
    strip.height = size * kKnobFrames;
    const std::size_t frameBytes = std::size_t(size) * std::size_t(size) * 3;
    strip.rgb.resize(frameBytes * kKnobFrames);
    std::uint8_t* base = strip.rgb.data();
    for (std::size_t i = 0; i < frameBytes; i += 3) {
        std::memcpy(base + i, kKeyGreen, 3);
    }
    const auto degreesOf = [](std::int32_t f) {
        return kKnobStartDegrees + kKnobSweepDegrees * f / (kKnobFrames - 1);
    };
    const Pointer first(degreesOf(0), s);
    for (const DiscPixel& p : pixels) {
        shadePixel(p, first, base);
    }
    for (std::int32_t f = 1; f < kKnobFrames; ++f) {
        std::uint8_t* frame = base + frameBytes * std::size_t(f);
        std::memcpy(frame, base, frameBytes);
        const Pointer pointer(degreesOf(f), s);
        for (const DiscPixel* p : cap) {
            // The first frame's pointer is in the base frame: take it out again.
            if (pointer.near(*p) || first.near(*p)) {
                shadePixel(*p, pointer, frame);
            }
        }
        for (const DiscPixel* p : turning) {
            shadePixel(*p, pointer, frame);
        }
    }
    return strip;
}

}  // namespace qp::art
