// The editor under the real mouse: knob drags reach the host as an edit gesture,
// the wheel steps the knob under the cursor, and the about screen keeps the face
// inert until it is clicked away. The input is played on a second thread while
// this one runs the window's messages. Needs a display (Xvfb under the test run).
#include <gtest/gtest.h>

#include "EditorSession.h"
#include "PluginHost.h"
#include "tests/gui/RealInput.h"

namespace qp::test {
namespace {

using test::MouseButton;
using test::RealInput;

// Pixels of a drag; a linear knob drag moves by 1/200 per pixel.
constexpr int kDragPixels = 50;
constexpr float kLinearStep = 1.0f / 200.0f;

// The host calls of an edit gesture, in the order they came.
std::vector<HostCall> gestureCalls(const PluginHost& host) {
    std::vector<HostCall> gesture;
    for (const HostCall& call : host.calls()) {
        if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit ||
            call.opcode == audioMasterAutomate) {
            gesture.push_back(call);
        }
    }
    return gesture;
}

class EditorMouse : public OpenEditorTest {
protected:
    // Presses at a frame point, moves up by kDragPixels and lets go.
    void dragUp(POINT from) {
        const POINT start = session->toScreen(from);
        RealInput input;
        input.moveTo(start.x, start.y)
            .press()
            .glide(start.x, start.y - kDragPixels, 10, 30)
            .pause(60)
            .release();
        ASSERT_TRUE(input.runWhilePumping());
        session->idle(60);
    }

    void click(POINT at) {
        const POINT p = session->toScreen(at);
        RealInput input;
        input.moveTo(p.x, p.y).press().release();
        ASSERT_TRUE(input.runWhilePumping());
        session->idle(60);
    }
};

TEST_F(EditorMouse, DraggingEachKnobIsOneEditGestureThatMovesItsParameter) {
    const POINT centres[] = {kSensKnobCentre, kBuzzKnobCentre};
    for (Int32 index = 0; index < 2; ++index) {
        SCOPED_TRACE(index);
        host.clearCalls();
        const float before = host.getParameter(index);
        const float other = host.getParameter(1 - index);
        dragUp(centres[index]);

        const std::vector<HostCall> gesture = gestureCalls(host);
        ASSERT_GE(gesture.size(), 3u);
        EXPECT_EQ(gesture.front().opcode, audioMasterBeginEdit);
        EXPECT_EQ(gesture.front().index, index);
        EXPECT_EQ(gesture.back().opcode, audioMasterEndEdit);
        EXPECT_EQ(gesture.back().index, index);
        float last = before;
        for (std::size_t i = 1; i + 1 < gesture.size(); ++i) {
            EXPECT_EQ(gesture[i].opcode, audioMasterAutomate);
            EXPECT_EQ(gesture[i].index, index);
            // Upwards only: every value is above the one before.
            EXPECT_GT(gesture[i].opt, last);
            last = gesture[i].opt;
        }
        // Linear dragging: 50 pixels up is a quarter of the range.
        EXPECT_NEAR(host.getParameter(index), before + kDragPixels * kLinearStep, 0.03f);
        EXPECT_EQ(last, host.getParameter(index));
        EXPECT_EQ(host.getParameter(1 - index), other);
        // The drag loop kept the host alive.
        EXPECT_GT(host.countCalls(audioMasterIdle), 0u);
    }
}

TEST_F(EditorMouse, AKnobMovedByTheMouseIsRedrawn) {
    const Capture before = session->capture();
    dragUp(kBuzzKnobCentre);
    EXPECT_GT(session->capture().differences(before, &kBuzzKnobArea), 200);
}

TEST_F(EditorMouse, TheHostsWheelRequestStepsTheKnobUnderTheCursor) {
    const POINT over = session->toScreen(kSensKnobCentre);
    SetCursorPos(over.x, over.y);
    session->idle(40);
    const float before = host.getParameter(0);
    const IntPtr answer = host.dispatch(effVendorSpecific, fourCharCode('s', 't', 'C', 'A'),
                                        fourCharCode('W', 'h', 'e', 'e'), nullptr, 1.0f);
    EXPECT_EQ(answer, 1);
    EXPECT_NEAR(host.getParameter(0), before + 0.1f, 1e-6f);
    // One wheel step is one automation, with no edit bracket around it.
    EXPECT_EQ(host.countCalls(audioMasterAutomate), 1u);
    EXPECT_EQ(host.countCalls(audioMasterBeginEdit), 0u);
}

TEST_F(EditorMouse, TheAboutScreenKeepsTheFaceInertUntilItIsClicked) {
    const Capture plain = session->capture();
    host.setParameter(5, 0.0f);
    session->idle();
    const float buzz = host.getParameter(1);

    // The buzz knob right of the picture takes no drag now.
    const POINT besideAbout = {290, 60};
    dragUp(besideAbout);
    EXPECT_EQ(host.countCalls(audioMasterBeginEdit), 0u);
    EXPECT_EQ(host.getParameter(1), buzz);

    // A click on the picture closes the screen, bracketed like any button click.
    const POINT onAbout = {150, 60};
    click(onAbout);
    const std::vector<HostCall> gesture = gestureCalls(host);
    ASSERT_FALSE(gesture.empty());
    EXPECT_EQ(gesture.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(gesture.front().index, 4);
    EXPECT_EQ(gesture.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(host.callsWith(audioMasterAutomate).at(0).index, 4);
    EXPECT_EQ(session->capture().differences(plain), 0);

    // The knobs work again.
    host.clearCalls();
    dragUp(besideAbout);
    EXPECT_EQ(host.countCalls(audioMasterBeginEdit), 1u);
    EXPECT_GT(host.getParameter(1), buzz);
}

}  // namespace
}  // namespace qp::test
