// A frame as an LV2 host embeds it: a child of the host's window, its events
// pumped from idle, which is all the frame gets on X11. What it paints is read
// back from the server; drags, the wheel and keys are real input from XTest.
#include <chrono>
#include <functional>
#include <thread>

#include "tests/x11/X11TestSupport.h"
// clang-format off
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

#include "gui/Bitmap.h"
#include "gui/ControlListener.h"
#include "gui/Frame.h"
#include "gui/FrameOwner.h"
#include "gui/Knob.h"
#include "gui/OffscreenContext.h"
#include "gui/ResourcesX11.h"
#include "gui/ToggleButton.h"
#include "gui/X11Events.h"
#include "resources/ResourceIds.h"

extern const qp::x11::ResourceTable qpProductBitmaps;

namespace qp::test {
namespace {

constexpr std::int32_t kTag = 7;
const Rect kFrameSize(0, 0, 309, 168);

class X11Frame : public ::testing::Test, public FrameOwner, public ControlListener {
protected:
    void SetUp() override {
        if (!host.display()) {
            GTEST_SKIP() << "no X display (ctest runs the suite under xvfb-run)";
        }
        frame = new Frame(kFrameSize, host.parent(), this);
        Bitmap* face = new Bitmap(const_cast<x11::ResourceTable*>(&qpProductBitmaps), kFaceBitmapId);
        frame->setBackground(face);
        face->release();
        knob = new Knob(Rect(100, 40, 160, 100), this, kTag, nullptr, nullptr, Point());
        knob->setValue(0.5f);
        frame->addView(knob);
        for (int i = 0; i < 500 && frame->isFirstDrawPending(); ++i) {
            settle(1);
        }
        ASSERT_FALSE(frame->isFirstDrawPending()) << "the window was painted";
    }
    void TearDown() override { delete frame; }

    void beginEdit(std::int32_t tag) override { edits.push_back(tag); }
    void endEdit(std::int32_t tag) override { edits.push_back(-tag); }
    void wait() override { ++waits; }
    KnobMode getKnobMode() const override { return KnobMode::linear; }
    void valueChanged(DrawContext*, Control* control) override {
        values.push_back(control->getValue());
        if (values.size() == closeAfterChanges) {
            // The host closes the editor from the listener.
            delete frame;
            frame = nullptr;
        }
    }

    // The host's loop: some idle calls with the input in between delivered.
    void settle(int rounds = 20) {
        XSync(host.display(), False);
        for (int i = 0; i < rounds && frame; ++i) {
            frame->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    void moveTo(int x, int y) { XTestFakeMotionEvent(host.display(), 0, x, y, CurrentTime), settle(); }
    void button(unsigned int which, bool down) {
        XTestFakeButtonEvent(host.display(), which, down, 0), settle();
    }
    void key(KeySym symbol) {
        const ::KeyCode code = XKeysymToKeycode(host.display(), symbol);
        XTestFakeKeyEvent(host.display(), code, True, 0), XTestFakeKeyEvent(host.display(), code, False, 0),
            settle();
    }

    HostWindow host;
    Frame* frame = nullptr;
    Knob* knob = nullptr;
    std::vector<std::int32_t> edits;  // +tag begin, -tag end
    std::vector<float> values;
    int waits = 0;
    std::size_t closeAfterChanges = 0;
};

TEST_F(X11Frame, TheWindowShowsExactlyWhatTheFrameDrawsOffScreen) {
    OffscreenContext drawn(frame, kFrameSize.width(), kFrameSize.height());
    frame->draw(&drawn);
    const std::vector<Color> expected = surfacePixels(drawn.getSurface());
    const std::vector<Color> shown =
        host.windowPixels(x11::window(*frame), kFrameSize.width(), kFrameSize.height());
    EXPECT_TRUE(everyPixelIs(shown, kFrameSize.width(), [&](int x, int y) {
        return expected[std::size_t(y * kFrameSize.width() + x)];
    }));
    OffscreenContext face(nullptr, kFrameSize.width(), kFrameSize.height());
    frame->getBackground()->draw(&face, kFrameSize);
    EXPECT_NE(surfacePixels(face.getSurface()), shown) << "the knob's handle lines are drawn over the face";
}

// An editor that shrank (a smaller zoom step) in a host that keeps its window
// at the old size, as jalv's toolkit does: what lies beyond the frame must not
// keep what was on the screen there (the old, larger picture; white here).
TEST_F(X11Frame, AHostThatHoldsTheWindowLargerThanTheFrameSeesBlackBeyondIt) {
    const std::vector<Color> before =
        host.windowPixels(x11::window(*frame), kFrameSize.width(), kFrameSize.height());
    frame->setSize(200, 100);
    settle();
    const ::Window window = x11::window(*frame);
    Display* display = host.display();
    XResizeWindow(display, window, unsigned(kFrameSize.width()), unsigned(kFrameSize.height()));
    settle();
    GC gc = XCreateGC(display, window, 0, nullptr);
    XSetForeground(display, gc, WhitePixel(display, DefaultScreen(display)));
    XFillRectangle(display, window, gc, 0, 0, unsigned(kFrameSize.width()), unsigned(kFrameSize.height()));
    XFreeGC(display, gc);
    // The window has no background: this only tells it that all of it is exposed.
    XClearArea(display, window, 0, 0, 0, 0, True);
    settle(40);
    const std::vector<Color> shown = host.windowPixels(window, kFrameSize.width(), kFrameSize.height());
    EXPECT_TRUE(everyPixelIs(shown, kFrameSize.width(), [&](int x, int y) {
        return x < 200 && y < 100 ? before[std::size_t(y * kFrameSize.width() + x)] : colorBlack;
    }));
}

TEST_F(X11Frame, ADragFollowsEventsWhileTheHostLoopRunsAndBracketsItsEdits) {
    moveTo(130, 70);
    button(1, true);
    // The press returned to the host's loop; the drag is the frame's now.
    EXPECT_EQ(edits, std::vector<std::int32_t>{kTag});
    for (int y = 60; y >= 30; y -= 10) {
        moveTo(130, y);  // up raises a linear knob
    }
    // All queued before the next idle: the drag ends where the button went up.
    XTestFakeMotionEvent(host.display(), 0, 130, 20, 0);
    XTestFakeButtonEvent(host.display(), 1, False, 0);
    XTestFakeMotionEvent(host.display(), 0, 130, 5, 0);
    settle();
    EXPECT_EQ(edits, (std::vector<std::int32_t>{kTag, -kTag}));
    EXPECT_EQ(waits, 0) << "no polling loop ran the owner's wait";
    ASSERT_GE(values.size(), 5u);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()) && values.front() < values.back());
    EXPECT_NEAR(knob->getValue(), 0.5f + 50.0f / 200.0f, 0.01f);
    EXPECT_EQ(frame->getEditView(), knob);
}

TEST_F(X11Frame, AToggleButtonFollowsItsPressUntilTheReleaseWithoutHoldingTheHostLoop) {
    auto* toggle = new ToggleButton(Rect(10, 120, 60, 150), this, 9, 15, nullptr);
    frame->addView(toggle);
    moveTo(30, 130);
    button(1, true);
    EXPECT_EQ(edits, std::vector<std::int32_t>{9});
    moveTo(200, 130);  // off the button: back to the entry value
    moveTo(30, 130);
    button(1, false);
    EXPECT_EQ(values, (std::vector<float>{1.0f, 0.0f, 1.0f}));
    EXPECT_EQ(edits, (std::vector<std::int32_t>{9, -9}));
    EXPECT_EQ(toggle->getLastShownValue(), 1.0f);
    EXPECT_EQ(waits, 0);
}

TEST_F(X11Frame, AFrameDestroyedMidDragEndsTheDragWithoutCallingIt) {
    knob->retain();  // to see the drag let go of it
    closeAfterChanges = 2;
    moveTo(130, 70);
    button(1, true);
    for (int y = 60; y >= 30; y -= 10) {
        moveTo(130, y);
    }
    button(1, false);
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(values.size(), 2u) << "no step after the frame went";
    EXPECT_EQ(edits, std::vector<std::int32_t>{kTag}) << "whoever closed the editor ends the bracket";
    EXPECT_EQ(knob->getRefCount(), 1) << "the drag released the knob";
    knob->release();
}

TEST_F(X11Frame, AFrameWhoseWindowTheHostDestroyedFirstClosesWithoutAnXError) {
    host.destroyWindow();
    knob->setValue(0.9f);
    frame->idle();  // learns of it: no redraw into the destroyed window
    EXPECT_FALSE(frame->isOpen());
    delete frame;  // an X error would end the process here
    frame = nullptr;
}

// Keys stay the host's: the frame takes none, so arrows step no knob.
TEST_F(X11Frame, TheWheelStepsTheControlUnderThePointerAndArrowKeysDoNot) {
    knob->setWheelIncrement(0.1f);
    moveTo(130, 70);
    const struct {
        const char* name;
        std::function<void()> send;
        float change;
    } inputs[] = {
        {"wheel away", [&] { button(4, true), button(4, false); }, 0.1f},
        {"wheel towards", [&] { button(5, true), button(5, false); }, -0.1f},
        {"arrow up after a click", [&] { button(1, true), button(1, false), key(XK_Up); }, 0.0f},
    };
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.name);
        const float before = knob->getValue();
        input.send();
        EXPECT_NEAR(knob->getValue() - before, input.change, 0.001f);
    }
}

}  // namespace
}  // namespace qp::test
