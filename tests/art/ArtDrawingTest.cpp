// The drawing primitives under the pictures, at the sizes the zoom steps give
// them: shapes keep their area and a one-device-pixel edge, blurs keep their ink,
// and text is drawn exactly as wide as it is measured.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string_view>

#include "editor/art/Canvas.h"
#include "editor/art/Panel.h"
#include "editor/art/StrokeFont.h"
#include "gui/Zoom.h"

namespace {

using qp::art::Canvas;
using qp::art::Mask;
using qp::art::Rgb;

TEST(ArtCanvas, DiscsKeepTheirAreaWithAOnePixelEdgeAtEveryStep) {
    for (std::int32_t percent : qp::kZoomSteps) {
        const double s = percent / 100.0;
        for (double radius100 : {1.1, 5.0, 43.5}) {
            const double r = radius100 * s;
            const std::int32_t size = std::int32_t(std::ceil(2 * r)) + 6;
            const double c = size / 2.0 + 0.3;
            Canvas canvas(size, size);
            canvas.fillSdf(
                {0, 0, double(size), double(size)},
                [&](double px, double py) { return qp::art::sdCircle(px, py, c, c, r); },
                Rgb{255.0, 255.0, 255.0});
            double ink = 0.0;
            for (std::int32_t y = 0; y < size; ++y) {
                for (std::int32_t x = 0; x < size; ++x) {
                    const double v = canvas.get(x, y).r / 255.0;
                    ink += v;
                    const double d = std::hypot(x + 0.5 - c, y + 0.5 - c) - r;
                    if (v > 0.0 && v < 1.0) {
                        EXPECT_LT(std::fabs(d), 0.5)
                            << percent << " %, radius " << r << " at " << x << ", " << y;
                    }
                }
            }
            const double area = 3.14159265358979 * r * r;
            EXPECT_NEAR(ink, area, 0.02 * area + 0.5) << percent << " %, radius " << r;
        }
    }
}

TEST(ArtMask, BlurKeepsTheInkAndGrowsByItsReach) {
    for (std::int32_t radius : {1, 2, 3}) {
        Mask mask(10, 20, 12, 9);
        mask.addCapsule(12.5, 22.0, 19.0, 26.5, 1.4);
        double before = 0.0;
        for (double v : mask.values) {
            before += v;
        }
        const Mask blurred = mask.blurred(radius);
        EXPECT_EQ(blurred.left, 10 - 2 * radius);
        EXPECT_EQ(blurred.top, 20 - 2 * radius);
        EXPECT_EQ(blurred.width, 12 + 4 * radius);
        EXPECT_EQ(blurred.height, 9 + 4 * radius);
        double after = 0.0;
        for (double v : blurred.values) {
            after += v;
        }
        EXPECT_NEAR(after, before, 1e-9 * before) << "radius " << radius;
        EXPECT_LT(*std::max_element(blurred.values.begin(), blurred.values.end()),
                  *std::max_element(mask.values.begin(), mask.values.end()))
            << "radius " << radius;
    }
}

// The columns of a mask that hold ink (coverage of half a pixel or more).
void inkColumns(const Mask& m, std::int32_t& first, std::int32_t& last) {
    first = 1 << 30;
    last = -(1 << 30);
    for (std::int32_t y = 0; y < m.height; ++y) {
        for (std::int32_t x = 0; x < m.width; ++x) {
            if (m.values[std::size_t(y) * m.width + x] >= 0.5) {
                first = std::min(first, m.left + x);
                last = std::max(last, m.left + x);
            }
        }
    }
}

TEST(ArtStrokeFont, TextIsDrawnAsWideAsItIsMeasuredAtEveryStep) {
    struct Text {
        std::string_view text;
        double size;
        double weight;
        double tracking;
    };
    const Text texts[] = {
        {"Quorrelphone", 17.2, 2.1, 2.4},
        {"buzzing reed voice", 6.0, qp::art::kLabelWeight, qp::art::kLabelTracking},
        {"version 1.0", 6.0, qp::art::kLabelWeight, qp::art::kLabelTracking},
        {"sens", 7.0, qp::art::kLabelWeight, qp::art::kLabelTracking},
    };
    for (std::int32_t percent : qp::kZoomSteps) {
        const double s = percent / 100.0;
        for (const Text& t : texts) {
            const double size = t.size * s;
            const double left = 14.25 * s;
            const double width = qp::art::textWidth(t.text, size, t.weight, t.tracking);
            EXPECT_NEAR(width / s, qp::art::textWidth(t.text, t.size, t.weight, t.tracking), 1e-9) << t.text;
            const Mask m = qp::art::textMask(t.text, left, 40.0 * s, size, t.weight, t.tracking);
            std::int32_t first = 0;
            std::int32_t last = 0;
            inkColumns(m, first, last);
            // The ink's outer pixels are those whose centres lie inside it.
            EXPECT_NEAR(first + 0.5, left, 1.0) << t.text << " at " << percent << " %";
            EXPECT_NEAR(last + 0.5, left + width, 1.0) << t.text << " at " << percent << " %";
        }
    }
}

TEST(ArtStrokeFont, LettersTheFontLacksTakeNoRoom) {
    EXPECT_EQ(qp::art::textWidth("sens#", 7.0, 2.4, 3.0), qp::art::textWidth("sens", 7.0, 2.4, 3.0));
    EXPECT_GT(qp::art::textWidth("sens s", 7.0, 2.4, 3.0), qp::art::textWidth("senss", 7.0, 2.4, 3.0));
}

}  // namespace
