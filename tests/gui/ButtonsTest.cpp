#include <gtest/gtest.h>

#include "gui/Bitmap.h"
#include "gui/FrameAnimation.h"
#include "gui/OnOffButton.h"
#include "gui/ToggleButton.h"
#include "tests/gui/ControlTestSupport.h"

namespace qp::test {
namespace {

// The face bitmap (64 x 48) stands in for the buttons' pictures: its green
// channel is 5 x the row, so the first row drawn tells which part was used.
int rowDrawn(const test::Surface& surface) { return surface.pixel(0, 0).green / 5; }

TEST(OnOffButtonDrawing, OffIsTheUpperHalfAndOnTheLowerHalf) {
    Bitmap* face = new Bitmap(test::faceBitmapId);
    test::Surface surface(64, 24);
    DrawContext context(nullptr, surface.dc(), nullptr);
    OnOffButton* button = new OnOffButton(Rect(0, 0, 64, 24), nullptr, 0, face);
    button->draw(&context);
    EXPECT_EQ(rowDrawn(surface), 0);
    button->setValue(1.0f);
    button->draw(&context);
    EXPECT_EQ(rowDrawn(surface), 24);
    EXPECT_FALSE(button->isDirty());
    button->release();
    face->release();
}

TEST(ToggleButtonDrawing, ZeroShowsTheFirstPictureAnythingElseTheSecond) {
    Bitmap* face = new Bitmap(test::faceBitmapId);
    test::Surface surface(64, 16);
    DrawContext context(nullptr, surface.dc(), nullptr);
    ToggleButton* button = new ToggleButton(Rect(0, 0, 64, 16), nullptr, 0, 16, face);
    button->setValue(0.3f);
    button->draw(&context);
    EXPECT_EQ(rowDrawn(surface), 16);
    EXPECT_FLOAT_EQ(button->getLastShownValue(), 0.3f);
    button->setValue(-2.0f);
    button->draw(&context);
    EXPECT_EQ(rowDrawn(surface), 0) << "clamped to 0 first";
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
    button->release();
    face->release();
}

TEST(FrameAnimationSteps, NextWrapsBeforeTheLastFrameAndPreviousGoesToOnePixelAboveIt) {
    FrameAnimation* animation = new FrameAnimation(Rect(0, 0, 10, 10), nullptr, 0, 4, 10, nullptr);
    animation->nextFrame();
    EXPECT_FLOAT_EQ(animation->getValue(), 10.0f);
    animation->nextFrame();
    EXPECT_FLOAT_EQ(animation->getValue(), 20.0f);
    animation->nextFrame();
    EXPECT_FLOAT_EQ(animation->getValue(), 0.0f) << "from the second-to-last frame back to the first";
    animation->previousFrame();
    EXPECT_FLOAT_EQ(animation->getValue(), 29.0f);
    animation->previousFrame();
    EXPECT_FLOAT_EQ(animation->getValue(), 19.0f);
    animation->release();
}

TEST(FrameAnimationSteps, DrawsOnlyWhileOpenedFromTheValueAsPixelOffset) {
    Bitmap* face = new Bitmap(test::faceBitmapId);
    test::Surface surface(32, 8, colorRed);
    DrawContext context(nullptr, surface.dc(), nullptr);
    FrameAnimation* animation = new FrameAnimation(Rect(0, 0, 32, 8), nullptr, 0, 6, 8, face, Point(0, 2));
    animation->setValue(16.0f);
    animation->draw(&context);
    EXPECT_EQ(surface.pixel(0, 0), colorRed) << "closed: nothing";
    animation->open();
    animation->draw(&context);
    EXPECT_EQ(rowDrawn(surface), 18);
    animation->release();
    face->release();
}

class ButtonsReal : public ::testing::Test {
protected:
    void click(POINT p) {
        test::RealInput input;
        input.moveTo(p.x, p.y).press().pause(30).release();
        ASSERT_TRUE(input.runWhilePumping());
    }

    test::RecordingListener listener;
    test::FrameScene scene;
};

TEST_F(ButtonsReal, OnOffButtonFlipsOnTheIntegerPartAndAlwaysTellsTheListener) {
    OnOffButton* button = new OnOffButton(Rect(10, 10, 60, 30), &listener, 2, nullptr);
    scene.frame->addView(button);
    button->setValue(0.7f);
    click(scene.screen(30, 20));
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f) << "the integer part of 0.7 is 0";
    EXPECT_EQ(scene.owner.waits, 1);
    click(scene.screen(30, 20));
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
    ASSERT_EQ(listener.calls.size(), 2u);
    EXPECT_EQ(listener.calls[0].tag, 2);
    EXPECT_TRUE(scene.owner.calls.empty()) << "a click is no drag";
}

TEST_F(ButtonsReal, ToggleButtonCommitsOnlyWhenReleasedOverIt) {
    ToggleButton* button = new ToggleButton(Rect(10, 10, 60, 30), &listener, 4, 20, nullptr);
    scene.frame->addView(button);
    const POINT inside = scene.screen(30, 20);
    test::RealInput input;
    input.moveTo(inside.x, inside.y).press().pause(40).glide(inside.x + 80, inside.y, 4).pause(40).release();
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f) << "dragged off before release";
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 0.0f})) << "once for each change";
    EXPECT_EQ(scene.owner.calls, (std::vector<std::string>{"begin 4", "end 4"}));
    EXPECT_FLOAT_EQ(button->getLastShownValue(), 0.0f);

    listener.calls.clear();
    scene.owner.calls.clear();
    click(inside);
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f}));
    EXPECT_EQ(scene.owner.calls, (std::vector<std::string>{"begin 4", "end 4"}));
}

TEST_F(ButtonsReal, AFrameAnimationClickOpensItAndTheNextClosesIt) {
    FrameAnimation* animation = new FrameAnimation(Rect(10, 10, 60, 30), &listener, 8, 4, 20, nullptr);
    scene.frame->addView(animation);
    animation->nextFrame();
    click(scene.screen(30, 20));
    EXPECT_TRUE(animation->isOpened());
    EXPECT_FLOAT_EQ(animation->getValue(), 0.0f);
    EXPECT_TRUE(animation->isDirty());
    EXPECT_EQ(listener.calls.size(), 1u);
    click(scene.screen(30, 20));
    EXPECT_FALSE(animation->isOpened());
    EXPECT_EQ(listener.calls.size(), 1u) << "closing tells nobody";
}

}  // namespace
}  // namespace qp::test
