// The editor's sizes: seven zoom steps and the one rounding rule that takes every
// coordinate and length of the 100 % layout to a step.
//
// The rule: a value v of the 100 % layout is v * percent / 100 at a step, halves
// rounded up (floor(v * percent / 100 + 1/2), in integers, so it is exact). A
// rectangle scales by its origin and by its size, each rounded by that rule, so a
// picture drawn zoomed(width) wide always fills its rectangle exactly, wherever
// the rectangle lies. The art (editor/art), the editor's layout and the hit areas
// all go through these functions, so nothing can round another way.
#pragma once

#include <cstdint>

#include "gui/Point.h"
#include "gui/Rect.h"

namespace qp {

inline constexpr std::int32_t kZoomSteps[] = {100, 125, 150, 175, 200, 250, 300};
inline constexpr std::int32_t kZoomStepCount = std::int32_t(sizeof(kZoomSteps) / sizeof(kZoomSteps[0]));
inline constexpr std::int32_t kUnzoomed = 100;

constexpr std::int32_t zoomed(std::int32_t value, std::int32_t percent) {
    const std::int64_t n = std::int64_t(value) * percent + 50;
    // Floor division, so negative offsets round the same way as positive ones.
    return std::int32_t(n >= 0 ? n / 100 : -((-n + 99) / 100));
}

constexpr Point zoomed(Point p, std::int32_t percent) {
    return Point(zoomed(p.h, percent), zoomed(p.v, percent));
}

constexpr Rect zoomed(const Rect& r, std::int32_t percent) {
    const std::int32_t left = zoomed(r.left, percent);
    const std::int32_t top = zoomed(r.top, percent);
    return Rect(left, top, left + zoomed(r.width(), percent), top + zoomed(r.height(), percent));
}

constexpr bool isZoomStep(std::int32_t percent) {
    for (std::int32_t step : kZoomSteps) {
        if (step == percent) {
            return true;
        }
    }
    return false;
}

// The step nearest a scale factor (1.0 is 100 %); a factor half-way between two
// steps takes the larger. Anything below the first step (or not a number) is
// the first step, anything above the last the last.
constexpr std::int32_t nearestZoomStep(double scale) {
    if (!(scale * 100.0 > double(kZoomSteps[0]))) {
        return kZoomSteps[0];
    }
    const double percent = scale * 100.0;
    for (std::int32_t i = 0; i + 1 < kZoomStepCount; ++i) {
        if (percent < (kZoomSteps[i] + kZoomSteps[i + 1]) / 2.0) {
            return kZoomSteps[i];
        }
    }
    return kZoomSteps[kZoomStepCount - 1];
}

}  // namespace qp
