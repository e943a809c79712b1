// Views and controls as plain logic: the dirty rule, value bounds, reference
// counting, background sharing and double-click timing. No window is needed.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gui/Bitmap.h"
#include "gui/Control.h"
#include "gui/ControlListener.h"
#include "gui/DoubleClick.h"
#include "gui/NativeObjectsWin32.h"
#include "tests/gui/GuiTestSupport.h"

namespace qp::test {
namespace {

// The smallest concrete control: drawing records the drawn value and ends with
// setDirty(false), as every control's draw does.
class PlainControl : public Control {
public:
    explicit PlainControl(const Rect& size = Rect(0, 0, 20, 20), Bitmap* background = nullptr,
                          int* destroyed = nullptr)
        : Control(size, nullptr, 7, background),
          destroyed_(destroyed) {}
    ~PlainControl() override {
        if (destroyed_) {
            ++*destroyed_;
        }
    }
    void draw(DrawContext*) override {
        ++draws;
        setDirty(false);
    }
    int draws = 0;

private:
    int* destroyed_;
};

TEST(ControlDirtyRule, ANewControlIsDirtyAndCleanAfterItsDraw) {
    PlainControl control;
    EXPECT_EQ(control.getOldValue(), 1.0f);
    EXPECT_EQ(control.getValue(), 0.0f);
    EXPECT_TRUE(control.isDirty());
    control.update(nullptr);
    EXPECT_EQ(control.draws, 1);
    EXPECT_FALSE(control.isDirty());
    control.update(nullptr);
    EXPECT_EQ(control.draws, 1) << "a clean control is not drawn again";
}

TEST(ControlDirtyRule, OnlyAChangedValueMakesTheControlDirty) {
    PlainControl control;
    control.setValue(0.25f);
    control.draw(nullptr);
    control.setValue(0.25f);
    EXPECT_FALSE(control.isDirty());
    control.setValue(0.5f);
    EXPECT_TRUE(control.isDirty());
    control.setValue(0.25f);
    EXPECT_FALSE(control.isDirty()) << "back at the value last drawn";
}

TEST(ControlDirtyRule, MarkingDirtyKeepsTheDrawnValueDifferentFromTheValue) {
    PlainControl control;
    control.setValue(-1.0f);
    control.draw(nullptr);
    control.setDirty(true);
    EXPECT_EQ(control.getOldValue(), 0.0f);
    EXPECT_TRUE(control.isDirty());
    control.setValue(0.3f);
    control.draw(nullptr);
    control.setDirty(true);
    EXPECT_EQ(control.getOldValue(), -1.0f);
    EXPECT_TRUE(control.isDirty());
    control.draw(nullptr);
    EXPECT_FALSE(control.isDirty());
}

TEST(ControlDirtyRule, ANotANumberValueAlwaysCountsAsChanged) {
    PlainControl control;
    control.setValue(std::numeric_limits<float>::quiet_NaN());
    control.draw(nullptr);
    EXPECT_TRUE(control.isDirty());
}

TEST(ControlValues, ClampKeepsTheValueInsideTheRangeAndSetValueDoesNot) {
    PlainControl control;
    control.setValue(1.5f);
    EXPECT_EQ(control.getValue(), 1.5f) << "setValue stores unchanged";
    control.clampValue();
    EXPECT_EQ(control.getValue(), 1.0f);
    control.setValue(-0.2f);
    control.clampValue();
    EXPECT_EQ(control.getValue(), 0.0f);
    control.setValue(0.4f);
    control.clampValue();
    EXPECT_EQ(control.getValue(), 0.4f);
    control.setMin(-10.0f);
    control.setMax(-5.0f);
    control.clampValue();
    EXPECT_EQ(control.getValue(), -5.0f);
    EXPECT_EQ(control.getDefaultValue(), 0.5f);
    EXPECT_FLOAT_EQ(control.getWheelIncrement(), 0.1f);
}

TEST(ControlValues, CopyBackgroundOffsetTakesTheControlsTopLeft) {
    PlainControl control(Rect(12, 34, 50, 60));
    EXPECT_EQ(control.getBackgroundOffset(), Point(0, 0));
    control.copyBackgroundOffset();
    EXPECT_EQ(control.getBackgroundOffset(), Point(12, 34));
}

TEST(ViewBasics, HitTestIncludesAllFourEdges) {
    View view(Rect(10, 10, 20, 30));
    for (Point p : {Point(10, 10), Point(20, 10), Point(10, 30), Point(20, 30), Point(15, 20)}) {
        EXPECT_TRUE(view.hitTest(p)) << p.h << "," << p.v;
    }
    for (Point p : {Point(9, 15), Point(21, 15), Point(15, 9), Point(15, 31)}) {
        EXPECT_FALSE(view.hitTest(p)) << p.h << "," << p.v;
    }
}

TEST(ViewBasics, DefaultsAnswerNotHandled) {
    View view(Rect(0, 0, 5, 5));
    KeyCode key = {};
    EXPECT_EQ(view.keyDown(key), -1);
    EXPECT_EQ(view.keyUp(key), -1);
    EXPECT_FALSE(view.wheel(nullptr, Point(), 1.0f));
    EXPECT_FALSE(view.drop(nullptr, 0, 0, Point()));
    EXPECT_EQ(view.notify(nullptr, "LooseFocus"), 0);
    EXPECT_EQ(view.getEditor(), nullptr);
    EXPECT_FALSE(view.isDirty());
    view.setSize(Rect(1, 1, 4, 4));
    EXPECT_TRUE(view.isDirty()) << "a resized view needs drawing";
    Rect area;
    EXPECT_EQ(view.getMouseArea(area), Rect(0, 0, 5, 5)) << "the mouse area stays as made";
}

TEST(ViewCounting, ReleaseDestroysAtZeroAndRetainKeepsAlive) {
    int destroyed = 0;
    auto* control = new PlainControl(Rect(0, 0, 1, 1), nullptr, &destroyed);
    EXPECT_EQ(control->getRefCount(), 1);
    control->retain();
    control->release();
    EXPECT_EQ(destroyed, 0);
    control->release();
    EXPECT_EQ(destroyed, 1);
}

TEST(ViewCounting, ReleaseWithTheCountAtZeroDoesNothing) {
    // A view living on the stack with its count taken down to 0 by hand: release
    // must leave it alone instead of deleting it.
    class StackView : public View {
    public:
        StackView()
            : View(Rect()) {
            refCount_ = 0;
        }
    } view;
    view.release();
    EXPECT_EQ(view.getRefCount(), 0);
}

TEST(ControlBackground, AControlHoldsOneReferenceToItsBackground) {
    const auto before = native::liveCount(native::Kind::bitmap);
    auto* first = new Bitmap(test::patternBitmapId);
    auto* second = new Bitmap(test::faceBitmapId);
    {
        auto* control = new PlainControl(Rect(), first);
        EXPECT_EQ(first->getRefCount(), 2);
        control->setBackground(first);  // the same bitmap again must survive
        EXPECT_EQ(first->getRefCount(), 2);
        control->setBackground(second);
        EXPECT_EQ(first->getRefCount(), 1);
        EXPECT_EQ(second->getRefCount(), 2);
        control->release();
        EXPECT_EQ(second->getRefCount(), 1);
    }
    first->release();
    second->release();
    EXPECT_EQ(native::liveCount(native::Kind::bitmap), before);
}

TEST(DoubleClickTiming, TwoQuickPressesPairAndAThirdStartsAgain) {
    DoubleClick clicks(250);
    EXPECT_FALSE(clicks.press(1000));
    EXPECT_TRUE(clicks.press(1100));
    EXPECT_FALSE(clicks.press(1200)) << "a third quick press starts a new pair";
    EXPECT_TRUE(clicks.press(1300));
}

TEST(DoubleClickTiming, SlowPressesNeverPair) {
    DoubleClick clicks(250);
    EXPECT_FALSE(clicks.press(1000));
    EXPECT_FALSE(clicks.press(1250));
    EXPECT_TRUE(clicks.press(1499));
}

TEST(DoubleClickTiming, PressesPairAcrossTheTickCountersSignAndWrap) {
    DoubleClick clicks(250);
    EXPECT_FALSE(clicks.press(std::numeric_limits<std::int32_t>::max() - 50));
    EXPECT_TRUE(clicks.press(std::numeric_limits<std::int32_t>::min() + 50)) << "past 24.8 days of uptime";
    EXPECT_FALSE(clicks.press(-100));
    EXPECT_TRUE(clicks.press(-10));
    EXPECT_FALSE(clicks.press(-20));
    EXPECT_TRUE(clicks.press(40)) << "the 32-bit counter wrapped between the presses";
}

TEST(DoubleClickTiming, WithoutAClockNothingIsADoubleClick) {
    DoubleClick clicks(250);
    EXPECT_FALSE(clicks.press(DoubleClick::kNoClock));
    EXPECT_FALSE(clicks.press(DoubleClick::kNoClock));
    EXPECT_FALSE(clicks.press(DoubleClick::kNoClock));
    PlainControl control;  // not in a frame: no clock
    EXPECT_FALSE(control.isDoubleClick());
    EXPECT_FALSE(control.isDoubleClick());
}

TEST(DoubleClickTiming, TheIntervalIsTheSystemsButNeverBelow250) {
    EXPECT_EQ(doubleClickIntervalFrom(200), 250);
    EXPECT_EQ(doubleClickIntervalFrom(500), 500);
    EXPECT_EQ(doubleClickIntervalFrom(250), 250);
    PlainControl control;
    EXPECT_EQ(control.getDoubleClickInterval(), doubleClickIntervalFrom(std::int32_t(GetDoubleClickTime())));
}

}  // namespace
}  // namespace qp::test
