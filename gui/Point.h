// A pixel position: h grows to the right, v downwards.
#pragma once

#include <cstdint>

namespace qp {

struct Point {
    std::int32_t h = 0;
    std::int32_t v = 0;

    constexpr Point() = default;
    constexpr Point(std::int32_t h_, std::int32_t v_)
        : h(h_),
          v(v_) {}

    constexpr Point& offset(std::int32_t dh, std::int32_t dv) {
        h += dh;
        v += dv;
        return *this;
    }
    constexpr Point offsetBy(std::int32_t dh, std::int32_t dv) const { return Point(h + dh, v + dv); }

    friend constexpr bool operator==(const Point&, const Point&) = default;
};

}  // namespace qp
