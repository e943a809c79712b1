#include "editor/art/StrokeFont.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace qp::art {
namespace {

constexpr double kXHeight = 10.0;
constexpr double kSpaceWidth = 4.0;
// Arcs are drawn as polylines with a vertex at least every 5 degrees.
constexpr double kArcStepDegrees = 5.0;

enum class Kind {
    Line,
    Arc,
    Dot
};

// A line (x1, y1, x2, y2), an arc (cx, cy, rx, ry, start, end degrees, counter-
// clockwise with y up; end < start runs clockwise) or a dot (x, y).
struct Stroke {
    Kind kind;
    double p[6];
};

constexpr Stroke line(double x1, double y1, double x2, double y2) {
    return {Kind::Line, {x1, y1, x2, y2, 0, 0}};
}
constexpr Stroke arc(double cx, double cy, double rx, double ry, double start, double end) {
    return {Kind::Arc, {cx, cy, rx, ry, start, end}};
}
constexpr Stroke dot(double x, double y) { return {Kind::Dot, {x, y, 0, 0, 0, 0}}; }

struct Glyph {
    char ch;
    std::vector<Stroke> strokes;
    // Round sides look farther from their neighbours than straight ones; pulling
    // them in by this much (units) evens out the colour of a word.
    double roundLeft;
    double roundRight;
};

const std::vector<Glyph>& glyphs() {
    static const Stroke o = arc(5, 5, 5, 5, 0, 360);
    static const Stroke nArch = arc(4.75, 5.25, 4.75, 4.75, 180, 0);
    static const Stroke nStem = line(9.5, 5.25, 9.5, 0);
    static const std::vector<Glyph> table = {
        {'a', {o, line(10, 0, 10, 10)}, 0.6, 0.0},
        {'b', {o, line(0, 0, 0, 14)}, 0.0, 0.6},
        {'c', {arc(5, 5, 5, 5, 42, 318)}, 0.6, 0.3},
        {'d', {o, line(10, 0, 10, 14)}, 0.6, 0.0},
        {'e', {line(0, 5, 10, 5), arc(5, 5, 5, 5, 0, 322)}, 0.6, 0.3},
        {'g', {o, line(10, 10, 10, -0.5), arc(5, -0.5, 5, 4, 0, -155)}, 0.6, 0.0},
        {'h', {line(0, 0, 0, 14), nArch, nStem}, 0.0, 0.0},
        {'i', {line(0, 0, 0, 10), dot(0, 13.2)}, 0.0, 0.0},
        {'k', {line(0, 0, 0, 14), line(8.5, 10, 0, 3.2), line(3.3, 5.9, 9, 0)}, 0.0, 0.0},
        {'l', {line(0, 0, 0, 14)}, 0.0, 0.0},
        {'m',
         {line(0, 0, 0, 10), arc(3.6, 6.4, 3.6, 3.6, 180, 0), line(7.2, 6.4, 7.2, 0),
          arc(10.8, 6.4, 3.6, 3.6, 180, 0), line(14.4, 6.4, 14.4, 0)},
         0.0,
         0.0},
        {'n', {line(0, 0, 0, 10), nArch, nStem}, 0.0, 0.0},
        {'o', {o}, 0.6, 0.6},
        {'p', {o, line(0, -4.5, 0, 10)}, 0.0, 0.6},
        {'r', {line(0, 0, 0, 10), arc(5.2, 5, 5.2, 5, 180, 72)}, 0.0, 0.0},
        {'s', {arc(4.4, 7.5, 4.1, 2.5, 28, 270), arc(4.4, 2.5, 4.4, 2.5, 90, -152)}, 0.2, 0.2},
        {'t', {line(3, 13, 3, 0), line(0, 10, 6, 10)}, 0.0, 0.0},
        {'u', {line(0, 10, 0, 4.75), arc(4.75, 4.75, 4.75, 4.75, 180, 360), line(9.5, 10, 9.5, 0)}, 0.0, 0.0},
        {'v', {line(0, 10, 5, 0), line(5, 0, 10, 10)}, 0.3, 0.3},
        {'y', {line(0, 10, 5, 0), line(10, 10, 3, -4.5)}, 0.3, 0.3},
        {'z', {line(0.3, 10, 9, 10), line(9, 10, 0, 0), line(0, 0, 9, 0)}, 0.0, 0.0},
        {'Q', {arc(7, 7, 7, 7, 0, 360), line(8.6, 4.2, 13.6, -1.2)}, 0.4, 0.0},
        {'V', {line(0, 14, 6.5, 0), line(6.5, 0, 13, 14)}, 0.0, 0.0},
        {'0', {arc(4, 7, 4, 7, 0, 360)}, 0.0, 0.0},
        {'1', {line(0, 11, 3, 14), line(3, 14, 3, 0)}, 0.0, 0.0},
        {'.', {dot(0, 0)}, 0.0, 0.0},
    };
    return table;
}

struct Vertex {
    double x;
    double y;
};
using Polyline = std::vector<Vertex>;

// A glyph as polylines in glyph units, with its ink's extent along x.
struct Outline {
    const Glyph* glyph = nullptr;
    std::vector<Polyline> lines;
    double lo = 0.0;
    double hi = 0.0;
};

Outline makeOutline(const Glyph& g) {
    Outline out;
    out.glyph = &g;
    for (const Stroke& s : g.strokes) {
        const double* p = s.p;
        if (s.kind == Kind::Line) {
            out.lines.push_back({{p[0], p[1]}, {p[2], p[3]}});
        } else if (s.kind == Kind::Dot) {
            out.lines.push_back({{p[0], p[1]}});
        } else {
            const double sweep = p[5] - p[4];
            const std::int32_t steps =
                std::max(2, std::int32_t(std::ceil(std::fabs(sweep) / kArcStepDegrees)));
            Polyline pts;
            for (std::int32_t k = 0; k <= steps; ++k) {
                // The sweep and k are whole numbers: their product is exact before the
                // one rounding of the division.
                const double a = math::radians(p[4] + sweep * k / steps);
                pts.push_back({p[0] + p[2] * math::cos(a), p[1] + p[3] * math::sin(a)});
            }
            out.lines.push_back(std::move(pts));
        }
    }
    bool first = true;
    for (const Polyline& l : out.lines) {
        for (const Vertex& v : l) {
            out.lo = first ? v.x : std::min(out.lo, v.x);
            out.hi = first ? v.x : std::max(out.hi, v.x);
            first = false;
        }
    }
    return out;
}

const Outline* outlineOf(char ch) {
    static const std::vector<Outline> outlines = [] {
        std::vector<Outline> all;
        for (const Glyph& g : glyphs()) {
            all.push_back(makeOutline(g));
        }
        return all;
    }();
    for (const Outline& o : outlines) {
        if (o.glyph->ch == ch) {
            return &o;
        }
    }
    return nullptr;
}

struct Placed {
    const Outline* outline;
    double pen;
};

// Where the glyphs of `text` go, in glyph units, and the advance of the whole
// text. Measuring and drawing both use it, so a word is always drawn exactly as
// wide as it was measured. Characters the font lacks are left out, as if the
// text did not hold them.
double layout(std::string_view text, double tracking, std::vector<Placed>* placed) {
    std::vector<const Outline*> sequence;  // nullptr for a space
    for (char ch : text) {
        const Outline* o = outlineOf(ch);
        if (ch == ' ' || o != nullptr) {
            sequence.push_back(o);
        }
    }
    double pen = 0.0;
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        const Outline* o = sequence[i];
        if (o == nullptr) {
            pen += kSpaceWidth + tracking;
            continue;
        }
        if (placed != nullptr) {
            placed->push_back({o, pen});
        }
        pen += o->hi - o->lo;
        if (i + 1 < sequence.size() && sequence[i + 1] != nullptr) {
            pen += tracking - o->glyph->roundRight - sequence[i + 1]->glyph->roundLeft;
        }
    }
    return pen;
}

}  // namespace

double textWidth(std::string_view text, double size, double weight, double tracking) {
    const double k = size / kXHeight;
    return layout(text, tracking, nullptr) * k + weight * k;
}

Mask textMask(std::string_view text, double left, double baseline, double size, double weight,
              double tracking) {
    const double k = size / kXHeight;
    const double radius = weight * k * 0.5;
    const double width = textWidth(text, size, weight, tracking);
    // Room above the capitals and below the descenders, with the stroke's reach.
    const std::int32_t top = std::int32_t(std::floor(baseline - 15.0 * k - radius)) - 1;
    const std::int32_t bottom = std::int32_t(std::ceil(baseline + 5.0 * k + radius)) + 1;
    Mask mask(std::int32_t(std::floor(left)) - 2, top, std::int32_t(std::ceil(width)) + 5, bottom - top);
    std::vector<Placed> placed;
    layout(text, tracking, &placed);
    Polyline pts;
    for (const Placed& g : placed) {
        for (const Polyline& l : g.outline->lines) {
            pts.clear();
            for (const Vertex& v : l) {
                pts.push_back({left + radius + (g.pen + v.x - g.outline->lo) * k, baseline - v.y * k});
            }
            if (pts.size() == 1) {
                // A dot is a little heavier than a stroke, or it looks lighter.
                mask.addCapsule(pts[0].x, pts[0].y, pts[0].x, pts[0].y, radius * 1.15);
            }
            for (std::size_t i = 1; i < pts.size(); ++i) {
                mask.addCapsule(pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y, radius);
            }
        }
    }
    return mask;
}

}  // namespace qp::art
