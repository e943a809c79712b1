// Drags tracked the way every control tracks them, by polling inside the press
// handler, fed with real input from a second thread (RealInput.h). Also the
// pattern for tests of the standard controls.
#include <gtest/gtest.h>

#include "gui/Control.h"
#include "gui/ControlListener.h"
#include "gui/Frame.h"
#include "gui/NativeHandlesWin32.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RealInput.h"

namespace qp::test {
namespace {

using test::RealInput;
using test::TestWindows;

struct Sample {
    Point where;
    std::int32_t buttons;
};

// Tracks a left drag with the shape shared by the toolkit's controls: begin edit,
// become the edit view, poll buttons and location and run doIdle every step until
// the left button is up, end edit. The value follows the vertical position.
class DragProbe : public Control, public ControlListener {
public:
    explicit DragProbe(const Rect& size)
        : Control(size, nullptr, 9) {
        listener_ = this;
    }

    void draw(DrawContext*) override { setDirty(false); }

    void mouseDown(DrawContext* context, Point where) override {
        pressedAt = where;
        doubleClicks.push_back(isDoubleClick());
        std::int32_t buttons = context->pollMouseButtons();
        if (!(buttons & kButtonLeft)) {
            return;
        }
        getFrame()->beginEdit(getTag());
        getFrame()->setEditView(this);
        const DWORD started = GetTickCount();
        Point p = where;
        do {
            buttons = context->pollMouseButtons();
            context->pollMouseLocation(p);
            samples.push_back({p, buttons});
            setValue(float(p.v));
            if (isDirty() && getListener()) {
                getListener()->valueChanged(context, this);
            }
            doIdle();
        } while ((buttons & kButtonLeft) && GetTickCount() - started < trackingLimitMs);
        getFrame()->endEdit(getTag());
    }

    void valueChanged(DrawContext*, Control*) override {
        ++changes;
        setDirty(false);
    }

    static constexpr DWORD trackingLimitMs = 5000;  // a lost release must not hang the test

    Point pressedAt{-1, -1};
    std::vector<Sample> samples;
    std::vector<bool> doubleClicks;
    int changes = 0;
};

class RealDrag : public ::testing::Test {
protected:
    void SetUp() override {
        owner.waitSleepMs = 4;
        frame = new Frame(Rect(0, 0, 160, 120), windows.host(), &owner);
        probe = new DragProbe(Rect(20, 20, 100, 100));
        frame->addView(probe);
        TestWindows::pumpFor(20);
        origin = TestWindows::screenOrigin(win32::hwnd(frame->getWindow()));
    }
    void TearDown() override { delete frame; }

    // Screen coordinates of a point of the frame.
    int sx(int h) const { return origin.x + h; }
    int sy(int v) const { return origin.y + v; }

    TestWindows windows{200, 150};
    test::FakeOwner owner;
    Frame* frame = nullptr;
    DragProbe* probe = nullptr;
    POINT origin{};
};

TEST_F(RealDrag, ATrackingLoopSeesTheMovesTheModifiersAndTheRelease) {
    RealInput input;
    input.moveTo(sx(50), sy(80))
        .press()
        .glide(sx(50), sy(40), 6)
        .keyDown(VK_SHIFT)
        .glide(sx(70), sy(30), 4)
        .keyUp(VK_SHIFT)
        .release();
    ASSERT_TRUE(input.runWhilePumping());

    EXPECT_EQ(probe->pressedAt, Point(50, 80));
    ASSERT_GE(probe->samples.size(), 5u);
    const Sample& last = probe->samples.back();
    EXPECT_EQ(last.where, Point(70, 30)) << "locations are in frame coordinates";
    EXPECT_EQ(last.buttons & kButtonLeft, 0) << "the loop ends on the release";
    bool sawShiftDrag = false, sawMiddle = false;
    for (const Sample& s : probe->samples) {
        sawShiftDrag |= s.buttons == (kButtonLeft | kModShift);
        sawMiddle |= s.where == Point(50, 60);
    }
    EXPECT_TRUE(sawShiftDrag);
    EXPECT_TRUE(sawMiddle) << "intermediate positions reach the loop";
    EXPECT_EQ(probe->getValue(), 30.0f);
    EXPECT_GE(probe->changes, 3);
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"begin 9", "end 9"}));
    EXPECT_EQ(owner.waits, int(probe->samples.size())) << "doIdle once per step";
    EXPECT_EQ(frame->getEditView(), probe);
}

TEST_F(RealDrag, TwoQuickClicksArriveAsTwoPressesThatMakeADoubleClick) {
    const int slow = probe->getDoubleClickInterval() + 150;
    RealInput input;
    input.moveTo(sx(30), sy(30)).press().release().press().release();  // a pair
    input.press().release().pause(slow).press().release();             // too slow to pair
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_EQ(probe->doubleClicks, (std::vector<bool>{false, true, false, false}));
}

}  // namespace
}  // namespace qp::test
