// Where a slider's handle sits and how a drag moves it: the geometry both back
// ends share, tested in every tree.
#include <gtest/gtest.h>

#include "gui/SliderGeometry.h"

namespace qp::test {
namespace {

SliderGeometry verticalGeometry(std::int32_t style) {
    SliderGeometry g;
    g.style = kSliderVertical | style;
    g.range = 90;
    g.handleWidth = 16;
    g.handleHeight = 8;
    return g;
}

TEST(SliderGeometryRules, ValueZeroSitsWhereTheStyleSays) {
    const SliderGeometry bottom = verticalGeometry(kSliderBottom);
    EXPECT_EQ(bottom.handleRect(0.0f), Rect(0, 90, 16, 98));
    EXPECT_EQ(bottom.handleRect(1.0f), Rect(0, 0, 16, 8));
    const SliderGeometry top = verticalGeometry(kSliderTop);
    EXPECT_EQ(top.handleRect(0.0f), Rect(0, 0, 16, 8));
    EXPECT_EQ(top.handleRect(0.5f), Rect(0, 45, 16, 53));

    SliderGeometry left = verticalGeometry(kSliderLeft);
    left.style = kSliderHorizontal | kSliderLeft;
    EXPECT_EQ(left.handleRect(0.25f), Rect(22, 0, 38, 8)) << "truncation of 22.5";
}

TEST(SliderGeometryRules, TheHandleStaysBetweenTheLimits) {
    SliderGeometry g = verticalGeometry(kSliderTop);
    g.minimumPosition = 10;
    g.handleOffset = Point(3, 2);
    EXPECT_EQ(g.lowerLimit(), 12);
    EXPECT_EQ(g.upperLimit(), 12 + 90 + 8);
    EXPECT_EQ(g.handleRect(0.0f), Rect(3, 12, 19, 20)) << "raised to the lower limit";
    EXPECT_EQ(g.handleRect(1.0f), Rect(3, 92, 19, 100));
    EXPECT_EQ(g.handleRect(1.5f).bottom, g.upperLimit())
        << "an unclamped value still ends at the upper limit";
}

TEST(SliderGeometryRules, TheMouseAgreesWithTheDrawingForEveryStyle) {
    // With only the orientation bit given, the drawing shows value 0 at the
    // bottom; the mouse must then put value 0 there too, not at the top.
    const std::initializer_list<std::int32_t> styles = {
        0, kSliderLeft, kSliderRight, kSliderTop, kSliderBottom, kSliderLeft | kSliderRight};
    for (std::int32_t style : styles) {
        const SliderGeometry g = verticalGeometry(style);
        for (float v : {0.0f, 0.2f, 0.5f, 1.0f}) {
            const std::int32_t start = g.handleStart(v);
            EXPECT_NEAR(g.valueAt(start, 0), v, 1.0f / 90.0f) << "style " << style << " value " << v;
        }
    }
}

TEST(SliderGeometryRules, AFineDragNeverJumpsWhenShiftComesOrGoes) {
    const SliderGeometry g = verticalGeometry(kSliderTop);
    SliderDrag drag(g, 0, 10.0f);
    EXPECT_NEAR(drag.follow(45, false, 0.0f), 0.5f, 1e-6f);
    EXPECT_NEAR(drag.follow(45, true, 0.5f), 0.5f, 1e-6f) << "shift down";
    EXPECT_NEAR(drag.follow(63, true, 0.5f), 0.5f + 18.0f / 900.0f, 1e-6f);
    EXPECT_NEAR(drag.follow(63, false, 0.52f), 0.52f, 1e-6f) << "shift up: no snap back under the pointer";
    EXPECT_NEAR(drag.follow(72, false, 0.52f), 0.52f + 0.1f, 1e-6f);
}

}  // namespace
}  // namespace qp::test
