#include <gtest/gtest.h>

#include <cmath>

#include "gui/Bitmap.h"
#include "gui/ControlEditing.h"
#include "gui/HorizontalSlider.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/SliderGeometry.h"
#include "gui/VerticalSlider.h"
#include "tests/gui/ControlTestSupport.h"
#include "tests/gui/XServerKeys.h"

namespace qp::test {
namespace {

TEST(SliderState, ConstructionTakesPositionsRelativeToTheControlAndTheHandleSize) {
    Bitmap* handle = new Bitmap(test::patternBitmapId);  // 16 x 8
    VerticalSlider* vertical =
        new VerticalSlider(Rect(20, 20, 36, 140), nullptr, 0, 30, 132, handle, nullptr);
    EXPECT_EQ(vertical->getStyle(), kSliderVertical | kSliderBottom);
    EXPECT_EQ(vertical->geometry().minimumPosition, 10);
    EXPECT_EQ(vertical->geometry().range, 102);
    EXPECT_EQ(vertical->geometry().handleHeight, 8);
    HorizontalSlider* horizontal =
        new HorizontalSlider(Rect(40, 0, 200, 8), nullptr, 0, 40, 184, nullptr, nullptr);
    EXPECT_EQ(horizontal->getStyle(), kSliderHorizontal | kSliderLeft);
    EXPECT_EQ(horizontal->geometry().minimumPosition, 0);
    EXPECT_EQ(horizontal->geometry().handleWidth, 1) << "no handle bitmap: one pixel";
    EXPECT_EQ(handle->getRefCount(), 2);
    vertical->release();
    horizontal->release();
    EXPECT_EQ(handle->getRefCount(), 1);
    handle->release();
}

TEST(SliderDrawing, TheHandleIsComposedOverTheBackgroundAndCopiedInOneStep) {
    Bitmap* handle = new Bitmap(test::patternBitmapId);
    Bitmap* face = new Bitmap(test::faceBitmapId);
    test::Surface surface(80, 80, colorBlack);
    DrawContext context(nullptr, surface.dc(), nullptr);
    // 16 x 60 at (10, 5), value 0 at the bottom, range 52.
    VerticalSlider* slider =
        new VerticalSlider(Rect(10, 5, 26, 65), nullptr, 0, 5, 57, handle, face, Point(4, 3));
    slider->setValue(0.75f);  // handle top = trunc(0.25 * 52) = 13
    slider->draw(&context);
    const int top = 5 + 13;
    EXPECT_EQ(surface.pixel(10 + 2, top), test::patternPixel(2, 0)) << "a handle pixel";
    EXPECT_EQ(surface.pixel(10 + 1, top), test::facePixel(4 + 1, 3 + 13))
        << "white is keyed out: the face shows";
    EXPECT_EQ(surface.pixel(10 + 2, top - 1), test::facePixel(4 + 2, 3 + 12)) << "above the handle";
    EXPECT_EQ(surface.pixel(9, top), colorBlack) << "nothing outside the control";
    EXPECT_FALSE(slider->isDirty());

    // Without a background the surface is cleared each time: no trail.
    slider->setBackground(nullptr);
    slider->draw(&context);
    slider->setValue(0.0f);
    slider->draw(&context);
    EXPECT_EQ(surface.pixel(10 + 2, top), colorBlack) << "the old handle is gone";
    EXPECT_EQ(surface.pixel(10 + 2, 5 + 52), test::patternPixel(2, 0));
    slider->release();
    face->release();
    handle->release();
}

class SliderRealDrag : public ::testing::Test {
protected:
    // 16 x 120 at (20, 20); the handle's top runs from 20 to 132.
    void SetUp() override {
        handle = new Bitmap(test::patternBitmapId);
        slider = new VerticalSlider(Rect(20, 20, 36, 140), &listener, 9, 20, 132, handle, nullptr);
        scene.frame->addView(slider);
    }
    void TearDown() override { handle->release(); }

    POINT at(int v) const { return scene.screen(28, v); }

    test::RecordingListener listener;
    test::FrameScene scene;
    Bitmap* handle = nullptr;
    VerticalSlider* slider = nullptr;
};

TEST_F(SliderRealDrag, AttachedSlidersOwnAnOffscreenSurfaceUntilRemoved) {
    EXPECT_TRUE(slider->hasOffscreen());
    slider->retain();
    scene.frame->removeView(slider);
    EXPECT_FALSE(slider->hasOffscreen());
    slider->release();
}

TEST_F(SliderRealDrag, WithFreeClickTheHandlesMiddleJumpsUnderThePointerAndFollowsIt) {
    const POINT p = at(50);
    test::RealInput input;
    input.moveTo(p.x, p.y).press().glide(p.x, p.y + 50, 10).release();
    ASSERT_TRUE(input.runWhilePumping());
    ASSERT_FALSE(listener.calls.empty());
    // Value 0 is at the bottom; the pointer holds the handle 3 pixels below its top.
    EXPECT_NEAR(listener.calls.front().value, 1.0f - float(50 - 23) / 112.0f, 1e-5f);
    EXPECT_NEAR(slider->getValue(), 1.0f - float(100 - 23) / 112.0f, 1e-5f);
    EXPECT_EQ(scene.owner.calls, (std::vector<std::string>{"begin 9", "end 9"}));
}

TEST_F(SliderRealDrag, WithoutFreeClickAPressMustHitTheHandleWhichThenMovesWithoutAJump) {
    slider->setFreeClick(false);
    slider->setValue(0.5f);  // handle from 76 to 84
    const POINT miss = at(60);
    test::RealInput input;
    input.moveTo(miss.x, miss.y).press().glide(miss.x, miss.y + 20, 4).release();
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    EXPECT_TRUE(listener.calls.empty());
    EXPECT_TRUE(scene.owner.calls.empty());

    const POINT grab = at(80);
    test::RealInput drag;
    drag.moveTo(grab.x, grab.y).press().glide(grab.x, grab.y - 28, 7).release();
    ASSERT_TRUE(drag.runWhilePumping());
    ASSERT_FALSE(listener.calls.empty());
    EXPECT_NEAR(listener.calls.front().value, 0.5f, 1e-5f) << "grabbing does not move it";
    EXPECT_NEAR(slider->getValue(), 0.75f, 1e-5f);
    EXPECT_EQ(scene.owner.calls, (std::vector<std::string>{"begin 9", "end 9"}));
}

TEST_F(SliderRealDrag, ShiftInTheMiddleOfADragMakesItTenTimesFinerWithoutAJump) {
    if (!test::XServerKeys::available()) {
        GTEST_SKIP() << "shift must be held at the X server while the mouse moves (see XServerKeys.h)";
    }
    const POINT p = at(79);  // the handle's middle at value 0.5
    float atShift = -1.0f;
    test::RealInput input;
    input.dragUpShiftingHalfway(p, 20, 5, 70, 10, [&] { atShift = slider->getValue(); });
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_NEAR(atShift, 0.5f + 20.0f / 112.0f, 1e-5f);
    EXPECT_NEAR(slider->getValue(), 0.5f + 20.0f / 112.0f + 50.0f / 1120.0f, 1e-4f);
    // A drag that restarted at the shift would fall back by about 0.16 at once.
    // One poll may see two of the glide's 4-pixel steps on a busy machine
    // (0.071, seen in a loaded run), never that much.
    const std::vector<float> values = listener.values();
    for (std::size_t i = 1; i < values.size(); ++i) {
        EXPECT_LT(std::fabs(values[i] - values[i - 1]), 0.1f) << "no jump at step " << i;
    }
}

TEST_F(SliderRealDrag, LeftControlClickRestoresTheDefaultOnceAndLeftControlShiftDoesNot) {
    slider->setValue(0.9f);
    const POINT p = at(100);
    test::RealInput input;
    input.clickHolding(p, {VK_CONTROL});
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    EXPECT_EQ(listener.calls.size(), 1u);
    EXPECT_TRUE(scene.owner.calls.empty());

    slider->setValue(0.9f);
    test::RealInput withShift;
    withShift.clickHolding(p, {VK_CONTROL, VK_SHIFT});
    ASSERT_TRUE(withShift.runWhilePumping());
    EXPECT_NE(slider->getValue(), 0.5f);
    EXPECT_EQ(scene.owner.calls, (std::vector<std::string>{"begin 9", "end 9"})) << "an ordinary drag";
}

TEST_F(SliderRealDrag, HorizontalSliderPutsValueZeroAtTheLeft) {
    auto* horizontal = new HorizontalSlider(Rect(40, 170, 200, 178), &listener, 4, 40, 184, handle, nullptr);
    scene.frame->addView(horizontal);
    const POINT p = scene.screen(47 + 72, 174);
    test::RealInput input;
    input.moveTo(p.x, p.y).press().pause(30).glide(p.x + 36, p.y, 4).release();
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_NEAR(horizontal->getValue(), 0.75f, 1e-5f);
    KeyCode key = {0, kArrowLeft, kKeyModifierShift};
    EXPECT_EQ(horizontal->keyDown(key), 1);
    EXPECT_NEAR(horizontal->getValue(), 0.74f, 1e-5f);
}

}  // namespace
}  // namespace qp::test
