// The knob's geometry and drag rules alone: pure arithmetic on points and
// values, shared by both back ends and tested in every tree.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gui/KnobDrag.h"
#include "gui/KnobGeometry.h"
#include "gui/Zoom.h"
#include "tests/gui/KnobPoints.h"

namespace qp::test {
namespace {

KnobGeometry defaultGeometry() {
    KnobGeometry g;
    g.radius = 50.0f;
    g.inset = 3;
    return g;
}

TEST(KnobGeometryMapping, DefaultKnobRunsClockwiseFromLowerLeftOverTheTopToLowerRight) {
    const KnobGeometry g = defaultGeometry();
    // Radius 50, handle 47 long: lower left, top, lower right.
    EXPECT_EQ(g.valueToPoint(0.0f), Point(17, 83));
    EXPECT_EQ(g.valueToPoint(0.5f), Point(50, 3));
    EXPECT_EQ(g.valueToPoint(1.0f), Point(83, 83));
    EXPECT_NEAR(g.valueFromPoint(around(50, 90, 40)), 0.5f, 1e-3f);
    EXPECT_NEAR(g.valueFromPoint(around(50, 180, 40)), 1.0f / 6.0f, 1e-3f);
    EXPECT_NEAR(g.valueFromPoint(around(50, 0, 40)), 5.0f / 6.0f, 1e-3f);
}

TEST(KnobGeometryMapping, PointsAndValuesRoundTripForAnyRangeAndDirection) {
    for (float range : {kKnobDefaultRangeAngle, 3.0f * kKnobPi / 2.0f, -kKnobPi}) {
        KnobGeometry g = defaultGeometry();
        g.rangeAngle = range;
        g.startAngle = range < 0 ? kKnobDefaultStartAngle : -kKnobPi / 4.0f;
        g.minimum = -10.0f;
        g.maximum = 30.0f;
        for (float v = -10.0f; v <= 30.0f; v += 2.5f) {
            const float back = g.valueFromPoint(g.valueToPoint(v));
            EXPECT_NEAR(back, v, 0.05f * 40.0f) << "range " << range << " value " << v;
        }
    }
}

TEST(KnobGeometryMapping, TheGapAnswersTheNearerEnd) {
    const KnobGeometry g = defaultGeometry();
    // The gap is the bottom quarter (225 to 315 degrees, going through 270).
    EXPECT_EQ(g.valueFromPoint(around(50, 300, 30)), 1.0f) << "next to the maximum's end";
    EXPECT_EQ(g.valueFromPoint(around(50, 240, 30)), 0.0f) << "next to the minimum's end";
    EXPECT_EQ(g.valueFromPoint(around(50, 270, 30)), 0.0f) << "straight down splits towards the minimum";
    EXPECT_NEAR(g.valueFromPoint(around(50, 320, 30)), 1.0f - 5.0f / 270.0f, 3e-3f)
        << "just inside the range";
}

TEST(KnobGeometryMapping, AnEmptyRangeNeverDividesByZero) {
    KnobGeometry g = defaultGeometry();
    g.minimum = g.maximum = 0.5f;
    EXPECT_EQ(g.valueToPoint(0.5f), g.valueToPoint(0.0f));
    g.rangeAngle = 0.0f;
    const Point p = g.valueToPoint(0.7f);
    EXPECT_TRUE(p.h >= 0 && p.h <= 100 && p.v >= 0 && p.v <= 100);
}

TEST(KnobDragRules, CircularDragStaysAtTheEndItCameFromUntilThePointerComesBack) {
    CircularKnobDrag drag(0.0f, 1.0f, 0.9f);
    EXPECT_FLOAT_EQ(drag.follow(0.95f), 0.95f);
    EXPECT_FLOAT_EQ(drag.follow(1.0f), 1.0f);
    EXPECT_FLOAT_EQ(drag.follow(0.0f), 1.0f) << "crossed the gap";
    EXPECT_FLOAT_EQ(drag.follow(0.1f), 1.0f) << "still far from where it was";
    EXPECT_FLOAT_EQ(drag.follow(0.6f), 0.6f) << "back within half a range";

    CircularKnobDrag fromBelow(0.0f, 1.0f, 0.05f);
    EXPECT_FLOAT_EQ(fromBelow.follow(0.97f), 0.0f);
}

TEST(KnobDragRules, LinearDragStepIsTwoHundredPixelsPerRangeAndShiftNeverJumps) {
    const Point first(100, 100);
    LinearKnobDrag drag(0.0f, 1.0f, 0.2f, first, false, 1.5f);
    EXPECT_FLOAT_EQ(drag.follow(Point(100, 60), false), 0.4f) << "40 px up";
    EXPECT_FLOAT_EQ(drag.follow(Point(120, 60), false), 0.5f) << "right counts as up";
    // Shift at this point: the value stays, further pixels count 1.5 times less.
    EXPECT_FLOAT_EQ(drag.follow(Point(120, 60), true), 0.5f);
    EXPECT_NEAR(drag.follow(Point(120, 30), true), 0.5f + 30.0f / 300.0f, 1e-6f);
    EXPECT_NEAR(drag.follow(Point(120, 30), false), 0.6f, 1e-6f) << "and back without a jump";
    EXPECT_NEAR(drag.follow(Point(120, 10), false), 0.7f, 1e-6f);
}

TEST(KnobDragRules, AZoomedDragTakesThePixelsOfTheDrawnKnobStepForStep) {
    // The same movement relative to the knob's drawn size gives the same value
    // after every step of it, fine tuning included; a zoom that is no step drags
    // as at 100 %.
    struct Row {
        std::int32_t percent;
        std::int32_t pixelsPerStep;
    };
    for (const Row row : {Row{200, 2}, Row{300, 3}, Row{0, 1}, Row{-50, 1}}) {
        for (const bool fine : {false, true}) {
            LinearKnobDrag unzoomed(0.0f, 1.0f, 0.1f, Point(0, 0), fine, 1.5f);
            LinearKnobDrag zoomed(0.0f, 1.0f, 0.1f, Point(0, 0), fine, 1.5f, row.percent);
            for (std::int32_t step = 1; step <= 40; ++step) {
                ASSERT_FLOAT_EQ(zoomed.follow(Point(0, -step * row.pixelsPerStep), fine),
                                unzoomed.follow(Point(0, -step), fine))
                    << row.percent << " % step " << step << (fine ? " fine" : "");
            }
        }
    }
    LinearKnobDrag atOneAndAHalf(0.0f, 1.0f, 0.0f, Point(0, 0), false, 1.5f, 150);
    EXPECT_FLOAT_EQ(atOneAndAHalf.follow(Point(0, -300), false), 1.0f)
        << "300 px at 150 % are the full range";
}

TEST(ZoomRules, SizesRoundHalvesUpAndRectanglesKeepTheirSizeAnywhere) {
    struct Row {
        std::int32_t value, percent, expected;
    };
    for (const Row row :
         {Row{309, 125, 386}, Row{168, 125, 210}, Row{309, 150, 464}, Row{168, 150, 252}, Row{309, 175, 541},
          Row{168, 175, 294}, Row{98, 125, 123}, Row{98, 175, 172}, Row{1, 150, 2}, Row{1, 125, 1},
          Row{-3, 150, -4}, Row{-1, 150, -1}, Row{0, 300, 0}}) {
        EXPECT_EQ(zoomed(row.value, row.percent), row.expected) << row.value << " at " << row.percent;
    }
    // The two knobs' rectangles: their left edges round differently at 125 %,
    // and both still get the picture's 123 pixels.
    EXPECT_EQ(zoomed(Rect(116, 14, 214, 112), 125), Rect(145, 18, 268, 141));
    EXPECT_EQ(zoomed(Rect(210, 14, 308, 112), 125), Rect(263, 18, 386, 141));

    struct Nearest {
        double scale;
        std::int32_t step;
    };
    for (const Nearest row :
         {Nearest{1.0, 100}, Nearest{1.1249, 100}, Nearest{1.125, 125}, Nearest{1.3, 125}, Nearest{1.5, 150},
          Nearest{2.25, 250}, Nearest{2.24, 200}, Nearest{0.5, 100}, Nearest{9.0, 300}, Nearest{0.0, 100},
          Nearest{-2.0, 100}, Nearest{std::numeric_limits<double>::quiet_NaN(), 100},
          Nearest{std::numeric_limits<double>::infinity(), 300}}) {
        EXPECT_EQ(nearestZoomStep(row.scale), row.step) << row.scale;
    }
}

}  // namespace
}  // namespace qp::test
