#include <gtest/gtest.h>

#include <cmath>

#include "gui/AnimKnob.h"
#include "gui/Bitmap.h"
#include "gui/ControlEditing.h"
#include "gui/Knob.h"
#include "gui/KnobDrag.h"
#include "gui/KnobGeometry.h"
#include "tests/gui/ControlTestSupport.h"
#include "tests/gui/KnobPoints.h"
#include "tests/gui/XServerKeys.h"

namespace qp::test {
namespace {

TEST(KnobState, InsetFollowsTheHandleBitmap) {
    Bitmap* handle = new Bitmap(test::patternBitmapId);  // 16 wide
    Knob* plain = new Knob(Rect(0, 0, 100, 100), nullptr, 0, nullptr, nullptr);
    EXPECT_EQ(plain->getInset(), 3);
    plain->setHandleBitmap(handle);
    EXPECT_EQ(plain->getInset(), 10) << "half of 16 plus 2.5, truncated";
    EXPECT_EQ(handle->getRefCount(), 2);
    plain->release();
    EXPECT_EQ(handle->getRefCount(), 1);

    Knob* withHandle = new Knob(Rect(0, 0, 100, 100), nullptr, 0, nullptr, handle);
    EXPECT_EQ(withHandle->getInset(), 10);
    withHandle->release();
    AnimKnob* anim = new AnimKnob(Rect(0, 0, 100, 100), nullptr, 0, 10, 100, nullptr);
    EXPECT_EQ(anim->getInset(), 0);
    anim->release();
    handle->release();
}

TEST(KnobDrawing, WithoutAHandleBitmapAShadowLineAndAHandleLineRunToTheCentre) {
    test::Surface surface(120, 120, colorBlack);
    DrawContext context(nullptr, surface.dc(), nullptr);
    Knob* knob = new Knob(Rect(10, 10, 110, 110), nullptr, 0, nullptr, nullptr);
    knob->setValue(0.5f);
    knob->setHandleColor(colorYellow);
    knob->setShadowColor(colorBlue);
    knob->draw(&context);
    // Value 0.5 points straight up: end (50, 3), centre (50, 50) in the knob;
    // the shadow one pixel left of the handle line.
    EXPECT_EQ(surface.pixel(10 + 49, 10 + 20), colorBlue);
    EXPECT_EQ(surface.pixel(10 + 50, 10 + 20), colorYellow);
    EXPECT_EQ(surface.pixel(10 + 51, 10 + 20), colorBlack);
    EXPECT_FALSE(knob->isDirty());
    knob->release();
}

TEST(KnobKeysAndWheel, ArrowKeysStepByTheWheelIncrementAndOtherKeysAreNotHandled) {
    test::RecordingListener listener;
    Knob* knob = new Knob(Rect(0, 0, 50, 50), &listener, 3, nullptr, nullptr);
    knob->setValue(0.5f);
    KeyCode key = {0, kArrowUp, 0};
    EXPECT_EQ(knob->keyDown(key), 1);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.6f);
    key.virt = kArrowLeft;
    key.modifier = kKeyModifierShift;
    EXPECT_EQ(knob->keyDown(key), 1);
    EXPECT_NEAR(knob->getValue(), 0.59f, 1e-6f);
    key = KeyCode{0, kArrowDown, 0};
    knob->keyDown(key);
    key.virt = kArrowRight;
    knob->keyDown(key);
    EXPECT_NEAR(knob->getValue(), 0.59f, 1e-6f);
    ASSERT_EQ(listener.calls.size(), 4u);
    EXPECT_FALSE(listener.calls[0].hadContext) << "keys come without a drawing context";

    key.virt = 15;  // the next code after the arrows
    EXPECT_EQ(knob->keyDown(key), -1);
    key.virt = 10;
    EXPECT_EQ(knob->keyDown(key), -1);
    EXPECT_NEAR(knob->getValue(), 0.59f, 1e-6f);
    EXPECT_EQ(listener.calls.size(), 4u);

    knob->setValue(1.0f);
    key.virt = kArrowUp;
    knob->keyDown(key);
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f) << "clamped";
    knob->release();
}

TEST(KnobKeysAndWheel, WheelStepsATenthWithShiftAndNothingWhileMouseIsDisabled) {
    test::TestWindows windows;
    test::RecordingListener listener;
    Knob* knob = new Knob(Rect(0, 0, 50, 50), &listener, 3, nullptr, nullptr);
    DrawContext context(nullptr, nullptr, nullptr);
    knob->setValue(0.95f);
    std::vector<float> seen;
    test::RealInput input;
    input
        .then([&] {
            knob->wheel(&context, Point(), 1.0f);
            seen.push_back(knob->getValue());
        })
        .then([&] { knob->setValue(0.95f); })
        .keyDown(VK_SHIFT)
        .then([&] {
            knob->wheel(&context, Point(), 1.0f);
            seen.push_back(knob->getValue());
        })
        .keyUp(VK_SHIFT);
    ASSERT_TRUE(input.runWhilePumping());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_FLOAT_EQ(seen[0], 1.0f) << "0.95 + 0.1, clamped";
    EXPECT_NEAR(seen[1], 0.96f, 1e-6f);

    knob->setMouseEnabled(false);
    EXPECT_FALSE(knob->wheel(&context, Point(), 1.0f));
    EXPECT_NEAR(knob->getValue(), 0.96f, 1e-6f);
    knob->release();
}

TEST(AnimKnobFrames, ValueZeroOneNegativeAndInverseShowTheRightFrames) {
    // 91 frames of 98 pixels, as the editor's knob strip.
    EXPECT_EQ(animKnobFrameTop(0.0f, 91, 98, false), 0);
    EXPECT_EQ(animKnobFrameTop(1.0f, 91, 98, false), 90 * 98);
    EXPECT_EQ(animKnobFrameTop(0.5f, 91, 98, false), 45 * 98);
    EXPECT_EQ(animKnobFrameTop(0.0111f, 91, 98, false), 0) << "0.999 of the way to frame 1";
    EXPECT_EQ(animKnobFrameTop(-0.2f, 91, 98, false), 0);
    EXPECT_EQ(animKnobFrameTop(std::nanf(""), 91, 98, false), 0);
    EXPECT_EQ(animKnobFrameTop(0.0f, 91, 98, true), 90 * 98);
    EXPECT_EQ(animKnobFrameTop(1.0f, 91, 98, true), 0);
    EXPECT_EQ(animKnobFrameTop(1.7f, 91, 98, false), 90 * 98) << "never past the strip";
    EXPECT_EQ(animKnobFrameTop(0.5f, 1, 98, false), 0);
}

TEST(AnimKnobFrames, DrawCopiesTheChosenFrameOfTheStrip) {
    // The face bitmap as a strip of 6 frames of 8 rows; its green channel is
    // 5 x the row, so the top row drawn tells the frame.
    Bitmap* strip = new Bitmap(test::faceBitmapId);
    test::Surface surface(64, 8);
    DrawContext context(nullptr, surface.dc(), nullptr);
    AnimKnob* knob = new AnimKnob(Rect(0, 0, 64, 8), nullptr, 0, 6, 8, strip);
    auto frameShown = [&](float value) {
        knob->setValue(value);
        knob->draw(&context);
        return surface.pixel(0, 0).green / 5 / 8;
    };
    EXPECT_EQ(frameShown(0.0f), 0);
    EXPECT_EQ(frameShown(1.0f), 5);
    EXPECT_EQ(frameShown(0.5f), 2) << "y 20 lies in the frame starting at 16";
    EXPECT_EQ(frameShown(-1.0f), 0);
    knob->setInverseBitmap(true);
    EXPECT_EQ(frameShown(0.0f), 5);
    EXPECT_EQ(frameShown(1.0f), 0);
    EXPECT_FALSE(knob->isDirty());
    knob->release();
    strip->release();
}

// Drags with the real mouse: the knob's loop polls the live button state and
// cursor while the input thread moves them.
class KnobRealDrag : public ::testing::Test {
protected:
    static constexpr Rect knobRect{40, 30, 140, 130};  // radius 50, centre (90, 80)

    void SetUp() override {
        knob = new Knob(knobRect, &listener, 7, nullptr, nullptr);
        scene.frame->addView(knob);
    }

    POINT at(float angleDegrees, float distance = 40.0f) const {
        const Point local = around(50.0f, angleDegrees, distance);
        return scene.screen(knobRect.left + local.h, knobRect.top + local.v);
    }

    // Presses at the first angle and moves in 5-degree steps to the last.
    void dragAlongArc(test::RealInput& input, float from, float to) {
        const POINT start = at(from);
        input.moveTo(start.x, start.y).press();
        const float step = to > from ? 5.0f : -5.0f;
        for (float a = from + step; (step > 0) ? a <= to : a >= to; a += step) {
            const POINT p = at(a);
            input.moveTo(p.x, p.y);
        }
        input.release();
    }

    test::RecordingListener listener;
    test::FrameScene scene;
    Knob* knob = nullptr;
};

TEST_F(KnobRealDrag, CircularDragAcrossTheBottomGapSticksToTheEndItCameFrom) {
    scene.owner.knobMode = KnobMode::circular;
    test::RealInput input;
    // From just inside the maximum's end, clockwise... the other way round:
    // down through the gap (330 -> 210 degrees) into the minimum's side.
    dragAlongArc(input, 330.0f, 210.0f);
    ASSERT_TRUE(input.runWhilePumping());
    ASSERT_FALSE(listener.calls.empty());
    EXPECT_NEAR(listener.calls.front().value, 1.0f - 15.0f / 270.0f, 0.01f)
        << "the click takes the pointed value";
    for (float v : listener.values()) {
        EXPECT_GE(v, 0.9f);
    }
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);

    listener.calls.clear();
    test::RealInput back;
    dragAlongArc(back, 210.0f, 330.0f);
    ASSERT_TRUE(back.runWhilePumping());
    for (float v : listener.values()) {
        EXPECT_LE(v, 0.1f);
    }
    EXPECT_FLOAT_EQ(knob->getValue(), 0.0f);
}

TEST_F(KnobRealDrag, CircularDragFollowsThePointerInsideTheRange) {
    scene.owner.knobMode = KnobMode::circular;
    test::RealInput input;
    dragAlongArc(input, 180.0f, 0.0f);  // left, over the top, to the right
    ASSERT_TRUE(input.runWhilePumping());
    const std::vector<float> values = listener.values();
    ASSERT_GE(values.size(), 10u);
    for (std::size_t i = 1; i < values.size(); ++i) {
        EXPECT_GT(values[i], values[i - 1]);
    }
    EXPECT_NEAR(knob->getValue(), 5.0f / 6.0f, 0.01f);
}

TEST_F(KnobRealDrag, InLinearKnobModeTheDragIsLinearUpAndRight) {
    scene.owner.knobMode = KnobMode::linear;
    knob->setValue(0.2f);
    const POINT start = scene.screen(90, 120);
    test::RealInput input;
    input.moveTo(start.x, start.y).press();
    input.glide(start.x, start.y - 60, 6).glide(start.x + 40, start.y - 60, 4).release();
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_NEAR(knob->getValue(), 0.2f + 100.0f / 200.0f, 1e-4f);
}

TEST_F(KnobRealDrag, AltAtTheClickPicksTheOtherMode) {
    // Straight below the centre: circular dragging would answer the gap's
    // minimum there, linear dragging keeps the value and adds the movement.
    const POINT start = scene.screen(90, 120);
    scene.owner.knobMode = KnobMode::circular;
    knob->setValue(0.2f);
    test::RealInput input;
    input.moveTo(start.x, start.y)
        .keyDown(VK_MENU)
        .press()
        .glide(start.x, start.y - 40, 8)
        .release()
        .keyUp(VK_MENU);
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-4f) << "linear although the knob mode is circular";

    scene.owner.knobMode = KnobMode::linear;
    test::RealInput circular;
    circular.clickHolding(start, {VK_MENU});
    ASSERT_TRUE(circular.runWhilePumping());
    EXPECT_FLOAT_EQ(knob->getValue(), 0.0f) << "circular although the knob mode is linear";
}

TEST_F(KnobRealDrag, ShiftInTheMiddleOfALinearDragChangesSensitivityWithoutAJump) {
    if (!test::XServerKeys::available()) {
        GTEST_SKIP() << "shift must be held at the X server while the mouse moves (see XServerKeys.h)";
    }
    scene.owner.knobMode = KnobMode::linear;
    knob->setValue(0.2f);
    const POINT start = scene.screen(90, 125);
    float atShift = -1.0f;
    test::RealInput input;
    input.dragUpShiftingHalfway(start, 40, 8, 100, 12, [&] { atShift = knob->getValue(); });
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_NEAR(atShift, 0.4f, 1e-4f);
    // 40 px at 1/200, then 60 px at 1/300.
    EXPECT_NEAR(knob->getValue(), 0.4f + 60.0f / 300.0f, 1e-4f);
    const std::vector<float> values = listener.values();
    for (std::size_t i = 1; i < values.size(); ++i) {
        EXPECT_LT(std::fabs(values[i] - values[i - 1]), 0.03f) << "no jump at step " << i;
    }
}

TEST_F(KnobRealDrag, EveryDragIsBracketedByBeginAndEndEditWithTheTag) {
    scene.owner.knobMode = KnobMode::linear;
    listener.sequence = &scene.owner.calls;
    const POINT start = scene.screen(90, 120);
    test::RealInput input;
    input.moveTo(start.x, start.y).press().glide(start.x, start.y - 20, 4).release();
    input.moveTo(start.x, start.y).press().glide(start.x, start.y - 20, 4).release();
    ASSERT_TRUE(input.runWhilePumping());
    std::vector<std::string> compact;
    for (const std::string& c : scene.owner.calls) {
        if (compact.empty() || compact.back() != c) {
            compact.push_back(c);
        }
    }
    EXPECT_EQ(compact,
              (std::vector<std::string>{"begin 7", "value 7", "end 7", "begin 7", "value 7", "end 7"}));
    EXPECT_GT(scene.owner.waits, 0) << "the loop keeps the host alive";
    EXPECT_EQ(scene.frame->getEditView(), knob);
}

TEST_F(KnobRealDrag, LeftControlClickRestoresTheDefaultOnceAndLeftControlShiftDoesNot) {
    scene.owner.knobMode = KnobMode::linear;
    knob->setDefaultValue(0.25f);
    knob->setValue(0.8f);
    const POINT p = scene.screen(90, 80);
    test::RealInput input;
    input.clickHolding(p, {VK_CONTROL});
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
    EXPECT_EQ(listener.calls.size(), 1u);
    EXPECT_TRUE(scene.owner.calls.empty()) << "a reset is no drag";

    knob->setValue(0.8f);
    listener.calls.clear();
    test::RealInput withShift;
    withShift.clickHolding(p, {VK_CONTROL, VK_SHIFT});
    ASSERT_TRUE(withShift.runWhilePumping());
    EXPECT_FLOAT_EQ(knob->getValue(), 0.8f) << "an ordinary (fine, linear) drag that did not move";
    EXPECT_EQ(scene.owner.calls, (std::vector<std::string>{"begin 7", "end 7"}));
}

}  // namespace
}  // namespace qp::test
