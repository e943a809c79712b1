// A pixel rectangle. Hit and overlap tests treat it as closed on all four sides:
// a view whose size is (0, 0, 10, 10) answers a click at (10, 10), and two
// rectangles that merely touch overlap. Width and height are right - left and
// bottom - top, which is also how many pixels a blit of this rectangle copies.
#pragma once

#include <cstdint>

#include "gui/Point.h"

namespace qp {

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr Rect() = default;
    constexpr Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
        : left(l),
          top(t),
          right(r),
          bottom(b) {}

    constexpr std::int32_t width() const { return right - left; }
    constexpr std::int32_t height() const { return bottom - top; }
    constexpr Point topLeft() const { return Point(left, top); }

    constexpr Rect& offset(std::int32_t dh, std::int32_t dv) {
        left += dh;
        right += dh;
        top += dv;
        bottom += dv;
        return *this;
    }
    constexpr Rect offsetBy(std::int32_t dh, std::int32_t dv) const {
        return Rect(left + dh, top + dv, right + dh, bottom + dv);
    }
    constexpr Rect offsetBy(Point p) const { return offsetBy(p.h, p.v); }

    constexpr bool isInside(Point p) const {
        return left <= p.h && p.h <= right && top <= p.v && p.v <= bottom;
    }
    constexpr bool overlaps(const Rect& o) const {
        return right >= o.left && left <= o.right && bottom >= o.top && top <= o.bottom;
    }

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace qp
