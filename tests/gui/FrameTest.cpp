// The frame in a real child window of a host window: painting from background and
// children in order, lazy idle redraws, and the routing of presses, keys, wheel
// steps and drops to the right view.
#include <gtest/gtest.h>

#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/NativeHandlesWin32.h"
#include "tests/gui/GuiTestSupport.h"

namespace qp::test {
namespace {

using test::RecordingView;
using test::TestWindows;
using Log = std::vector<std::string>;

class FrameInWindow : public ::testing::Test {
protected:
    void SetUp() override {
        frame = new Frame(Rect(0, 0, 160, 120), windows.host(), &owner);
        background = new Bitmap(test::faceBitmapId);
        frame->setBackground(background);
        background->release();  // the frame holds the only reference now
        a = new RecordingView(Rect(10, 10, 60, 50), "A", colorRed, &log);
        b = new RecordingView(Rect(40, 30, 100, 80), "B", colorBlue, &log);
        c = new RecordingView(Rect(120, 90, 150, 110), "C", colorGreen, &log);
        frame->addView(a);
        frame->addView(b);
        frame->addView(c);
        log.clear();
    }
    void TearDown() override { delete frame; }

    void paintNow() {
        InvalidateRect(win32::hwnd(frame->getWindow()), nullptr, TRUE);
        UpdateWindow(win32::hwnd(frame->getWindow()));
    }
    void press(Point where, UINT message = WM_LBUTTONDOWN) {
        SendMessageA(win32::hwnd(frame->getWindow()), message, 0, MAKELPARAM(where.h, where.v));
    }
    Color pixel(int x, int y) { return TestWindows::windowPixel(win32::hwnd(frame->getWindow()), x, y); }
    // Puts the cursor over a point of the frame window.
    void cursorAt(Point where) {
        const POINT origin = TestWindows::screenOrigin(win32::hwnd(frame->getWindow()));
        SetCursorPos(origin.x + where.h, origin.y + where.v);
    }

    TestWindows windows{200, 150};
    test::FakeOwner owner;
    Frame* frame = nullptr;
    Bitmap* background = nullptr;
    RecordingView* a = nullptr;
    RecordingView* b = nullptr;
    RecordingView* c = nullptr;
    Log log;
};

TEST_F(FrameInWindow, PaintDrawsTheBackgroundThenTheChildrenInTheOrderAdded) {
    paintNow();
    EXPECT_EQ(log, (Log{"A draw", "B draw", "C draw"}));
    EXPECT_FALSE(frame->isFirstDrawPending());
    EXPECT_EQ(pixel(3, 5), test::facePixel(3, 5));
    EXPECT_EQ(pixel(63, 5), test::facePixel(63, 5));
    EXPECT_EQ(pixel(5, 47), test::facePixel(5, 47));
    EXPECT_EQ(pixel(20, 20), colorRed);
    EXPECT_EQ(pixel(50, 40), colorBlue) << "the later view is drawn on top";
    EXPECT_EQ(pixel(60, 50), colorBlue);
    EXPECT_EQ(pixel(150, 110), colorGreen);
}

TEST_F(FrameInWindow, APartialPaintDrawsOnlyTheViewsOverlappingItsArea) {
    paintNow();
    log.clear();
    RECT area = {110, 85, 130, 100};
    InvalidateRect(win32::hwnd(frame->getWindow()), &area, TRUE);
    UpdateWindow(win32::hwnd(frame->getWindow()));
    EXPECT_EQ(log, (Log{"C draw"}));
}

TEST_F(FrameInWindow, IdleDrawsNothingBeforeTheFirstPaint) {
    a->setDirty(true);
    frame->idle();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(frame->isFirstDrawPending());
    TestWindows::pumpFor(20);  // the pending paint arrives
    EXPECT_FALSE(frame->isFirstDrawPending());
    log.clear();
    a->setDirty(true);
    frame->idle();
    EXPECT_EQ(log, (Log{"A draw"}));
}

TEST_F(FrameInWindow, IdleRedrawsOnlyTheDirtyViews) {
    paintNow();
    log.clear();
    frame->idle();
    EXPECT_TRUE(log.empty()) << "nothing dirty, nothing drawn";
    c->setDirty(true);
    a->setDirty(true);
    EXPECT_TRUE(frame->anyViewDirty());
    frame->idle();
    EXPECT_EQ(log, (Log{"A draw", "C draw"}));
    EXPECT_FALSE(frame->anyViewDirty());
    log.clear();
    frame->idle();
    EXPECT_TRUE(log.empty());
}

TEST_F(FrameInWindow, ADirtyFrameRedrawsEverything) {
    paintNow();
    log.clear();
    frame->setDirty(true);
    frame->idle();
    EXPECT_EQ(log, (Log{"A draw", "B draw", "C draw"}));
    EXPECT_FALSE(frame->isDirty());
}

TEST_F(FrameInWindow, RedrawViewDrawsAChildOrElseTheWholeFrame) {
    paintNow();
    log.clear();
    frame->redrawView(b);
    EXPECT_EQ(log, (Log{"B draw"}));
    log.clear();
    RecordingView stranger(Rect(0, 0, 5, 5), "S", colorWhite, &log);
    frame->redrawView(&stranger);
    EXPECT_EQ(log, (Log{"A draw", "B draw", "C draw"}));
    log.clear();
    frame->redrawView(nullptr);
    EXPECT_EQ(log, (Log{"A draw", "B draw", "C draw"}));
    log.clear();
    c->redraw();
    EXPECT_EQ(log, (Log{"C draw"}));
}

TEST_F(FrameInWindow, APressGoesToTheLastAddedMouseEnabledViewUnderIt) {
    press(Point(50, 40));
    EXPECT_EQ(log, (Log{"B press"}));
    EXPECT_EQ(b->lastPress, Point(50, 40));
    log.clear();
    press(Point(10, 10), WM_RBUTTONDOWN);  // a corner of A, edges count
    EXPECT_EQ(log, (Log{"A press"}));
    log.clear();
    b->setMouseEnabled(false);
    press(Point(50, 40), WM_MBUTTONDOWN);
    EXPECT_EQ(log, (Log{"A press"}));
    log.clear();
    press(Point(110, 10));
    EXPECT_TRUE(log.empty()) << "nobody under the point";
}

// Polls as a tracking control does: at the press, and again once it follows the pointer.
class TrackingView : public View {
public:
    using View::View;
    void mouseDown(DrawContext* context, Point) override {
        atPress = context->pollMouseButtons();
        Point where;
        context->pollMouseLocation(where);
        whileTracking = context->pollMouseButtons();
    }
    std::int32_t atPress = -1;
    std::int32_t whileTracking = -1;
};

TEST_F(FrameInWindow, APressReportedByItsMessageCountsAsHeldUntilTheViewTracksThePointer) {
    // No button is really down: the asynchronous state lags the message (or the
    // tap is already over), as under Wine.
    auto* tracking = new TrackingView(Rect(0, 0, 160, 120));
    frame->addView(tracking);
    SendMessageA(win32::hwnd(frame->getWindow()), WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL,
                 MAKELPARAM(20, 20));
    EXPECT_EQ(tracking->atPress, kButtonRight | kModControl);
    EXPECT_EQ(tracking->whileTracking, 0);
    press(Point(30, 30));
    EXPECT_EQ(tracking->atPress, kButtonLeft);
    EXPECT_EQ(tracking->whileTracking, 0);
}

TEST_F(FrameInWindow, AModalViewSwallowsPressesElsewhereAndIsDrawnLast) {
    RecordingView modal(Rect(100, 0, 150, 40), "M", colorYellow, &log);
    modal.retain();  // the frame neither retains nor releases it
    EXPECT_TRUE(frame->setModalView(&modal));
    EXPECT_EQ(log, (Log{"M attached"}));
    log.clear();
    press(Point(20, 20));
    press(Point(140, 100));
    EXPECT_TRUE(log.empty());
    press(Point(120, 20));
    EXPECT_EQ(log, (Log{"M press"}));
    log.clear();

    paintNow();
    EXPECT_EQ(log, (Log{"A draw", "B draw", "C draw", "M draw"}));
    log.clear();
    frame->idle();  // with a modal view only the modal view is updated
    EXPECT_TRUE(log.empty());
    modal.setDirty(true);
    a->setDirty(true);
    frame->idle();
    EXPECT_EQ(log, (Log{"M draw"}));
    log.clear();

    RecordingView other(Rect(0, 0, 5, 5), "O", colorWhite, &log);
    EXPECT_FALSE(frame->setModalView(&other));
    EXPECT_EQ(frame->getModalView(), &modal);
    EXPECT_TRUE(frame->setModalView(nullptr));
    EXPECT_EQ(log, (Log{"M removed"}));
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_TRUE(frame->setModalView(nullptr));
    EXPECT_EQ(modal.getRefCount(), 2);
}

TEST_F(FrameInWindow, TheEditViewLosesFocusBeforeTheNextPressIsDispatched) {
    frame->setEditView(a);
    EXPECT_EQ(frame->getEditView(), a);
    press(Point(130, 100));
    EXPECT_EQ(log, (Log{"A loseFocus", "C press"}));
    EXPECT_EQ(frame->getEditView(), nullptr);
    log.clear();
    frame->setEditView(b);
    frame->setEditView(c);
    EXPECT_EQ(log, (Log{"B loseFocus"})) << "the old edit view is told, the new one is not";
}

TEST_F(FrameInWindow, RemovingTheEditViewLeavesNoDanglingEditView) {
    frame->setEditView(b);
    EXPECT_TRUE(frame->removeView(b, true));
    EXPECT_EQ(log, (Log{"B loseFocus", "B removed"}));
    EXPECT_EQ(frame->getEditView(), nullptr);
    log.clear();
    press(Point(50, 40));  // would reach the freed view if the frame kept it
    EXPECT_EQ(log, (Log{"A press"}));
}

TEST_F(FrameInWindow, KeysAskTheEditViewTheModalViewThenTheChildrenFromTheTop) {
    KeyCode key = {};
    EXPECT_EQ(frame->keyDown(key), -1);
    EXPECT_EQ(log, (Log{"C key", "B key", "A key"}));
    log.clear();
    b->keyAnswer = 5;
    EXPECT_EQ(frame->keyDown(key), 5);
    EXPECT_EQ(log, (Log{"C key", "B key"}));
    log.clear();
    a->keyAnswer = 3;
    frame->setEditView(a);
    EXPECT_EQ(frame->keyUp(key), 3);
    EXPECT_EQ(log, (Log{"A keyup"}));
    log.clear();
    frame->setEditView(nullptr);
    log.clear();
    RecordingView modal(Rect(0, 0, 1, 1), "M", colorWhite, &log);
    modal.retain();
    frame->setModalView(&modal);
    log.clear();
    EXPECT_EQ(frame->keyDown(key), 5);
    EXPECT_EQ(log, (Log{"M key", "C key", "B key"}));
    frame->setModalView(nullptr);
}

// A key handler that empties the frame (an editor closing on a key) must end the
// walk, not send it on over views that are gone.
TEST_F(FrameInWindow, AKeyThatEmptiesTheFrameEndsTheWalkOverItsChildren) {
    struct ClearingView : RecordingView {
        using RecordingView::RecordingView;
        std::int32_t keyDown(KeyCode&) override {
            frame_->removeAllViews(true);
            return -1;
        }
    };
    frame->addView(new ClearingView(Rect(0, 0, 1, 1), "X", colorWhite, &log));
    log.clear();
    KeyCode key = {};
    EXPECT_EQ(frame->keyDown(key), -1);
    EXPECT_EQ(frame->getViewCount(), 0);
    for (const std::string& entry : log) {
        EXPECT_EQ(entry.find(" key"), std::string::npos) << entry;
    }
}

TEST_F(FrameInWindow, TheWheelGoesToTheViewUnderTheCursorWithTheCursorsLocation) {
    b->setMouseEnabled(false);
    cursorAt(Point(70, 60));
    EXPECT_TRUE(frame->wheel(nullptr, Point(0, 0), 1.5f));
    EXPECT_EQ(log, (Log{"B wheel"}));
    EXPECT_EQ(b->lastWheel, Point(70, 60));
    EXPECT_EQ(b->lastDistance, 1.5f);
    EXPECT_EQ(frame->getViewUnderMouse(), b);
    log.clear();
    cursorAt(Point(110, 20));
    EXPECT_FALSE(frame->wheel(nullptr, Point(50, 40), 1.0f)) << "the point given is not used";
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(frame->getViewUnderMouse(), nullptr);
}

TEST_F(FrameInWindow, DropsAreOfferedFromTheTopUntilAViewTakesThem) {
    const char* items[] = {"C:\\one.wav"};
    EXPECT_FALSE(frame->drop(items, 1, 0, Point(50, 40)));
    EXPECT_EQ(log, (Log{"B drop", "A drop"}));
    log.clear();
    a->dropAnswer = true;
    EXPECT_TRUE(frame->drop(items, 1, 0, Point(50, 40)));
    EXPECT_EQ(log, (Log{"B drop", "A drop"}));
    log.clear();
    b->dropAnswer = true;
    b->setMouseEnabled(false);
    EXPECT_TRUE(frame->drop(items, 1, 0, Point(50, 40)));
    EXPECT_EQ(log, (Log{"A drop"}));
    log.clear();
    frame->setEditView(c);
    log.clear();
    EXPECT_FALSE(frame->drop(items, 1, 0, Point(50, 40))) << "not while a view is being edited";
    EXPECT_TRUE(log.empty());
}

TEST_F(FrameInWindow, ChildrenAreKeptInOrderAndIndexedWithinBounds) {
    EXPECT_EQ(frame->getViewCount(), 3);
    EXPECT_EQ(frame->getView(0), a);
    EXPECT_EQ(frame->getView(2), c);
    EXPECT_EQ(frame->getView(-1), nullptr);
    EXPECT_EQ(frame->getView(3), nullptr);
    EXPECT_EQ(a->getFrame(), frame);
    EXPECT_TRUE(frame->isChild(b));
    EXPECT_TRUE(frame->removeView(b, true));
    EXPECT_EQ(frame->getViewCount(), 2);
    EXPECT_EQ(frame->getView(1), c);
    EXPECT_FALSE(frame->isChild(b));
    RecordingView stranger(Rect(), "S", colorWhite, &log);
    log.clear();
    EXPECT_TRUE(frame->removeView(&stranger, true));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(frame->getViewCount(), 2);
}

TEST_F(FrameInWindow, ManyChildrenGrowTheListAndAllGetDrawn) {
    for (int i = 0; i < 45; ++i) {
        frame->addView(new RecordingView(Rect(i, 115, i + 1, 118), "v", colorWhite, nullptr));
    }
    EXPECT_EQ(frame->getViewCount(), 48);
    EXPECT_EQ(frame->getView(0), a);
    EXPECT_EQ(frame->getView(47)->getViewSize(), Rect(44, 115, 45, 118));
}

TEST_F(FrameInWindow, EditsIdleProcessingTicksAndKnobModeComeFromTheOwner) {
    frame->beginEdit(3);
    frame->endEdit(3);
    frame->doIdleProcessing();
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"begin 3", "end 3"}));
    EXPECT_EQ(owner.waits, 1);
    owner.knobMode = KnobMode::circular;
    EXPECT_EQ(frame->getKnobMode(), KnobMode::circular);
    const auto ticks = std::uint32_t(frame->getTicks());
    EXPECT_LE(std::uint32_t(GetTickCount()) - ticks, 1000u);
    EXPECT_EQ(a->getEditor(), &owner);

    Frame orphan(Rect(0, 0, 10, 10), nullptr, nullptr);
    EXPECT_EQ(orphan.getTicks(), 0);
    orphan.beginEdit(1);
    orphan.doIdleProcessing();
    EXPECT_EQ(orphan.getKnobMode(), KnobMode::circular);
    EXPECT_EQ(orphan.getWindow(), nullptr);
}

TEST_F(FrameInWindow, MouseLocationIsRelativeToTheFrameWindow) {
    cursorAt(Point(33, 44));
    Point where;
    EXPECT_TRUE(frame->getMouseLocation(where));
    EXPECT_EQ(where, Point(33, 44));
}

TEST_F(FrameInWindow, CursorTypesSetTheSystemCursorsAndZeroRestoresTheDefault) {
    const HCURSOR before = GetCursor();
    frame->setCursor(1);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
    frame->setCursor(2);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEWE));
    frame->setCursor(99);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEWE));
    frame->setCursor(0);
    EXPECT_EQ(GetCursor(), before);
}

}  // namespace
}  // namespace qp::test
