// Shared pieces of the standard controls' tests: a listener that records every
// call, and a frame in a real window with a recording owner, where controls get
// real presses and drags.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gui/Control.h"
#include "gui/ControlListener.h"
#include "gui/Frame.h"
#include "gui/NativeHandlesWin32.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RealInput.h"

namespace qp::test {

class RecordingListener : public ControlListener {
public:
    struct Call {
        Control* control;
        float value;
        std::int32_t tag;
        bool hadContext;
    };

    void valueChanged(DrawContext* context, Control* control) override {
        calls.push_back(Call{control, control->getValue(), control->getTag(), context != nullptr});
        if (sequence) {
            sequence->push_back("value " + std::to_string(control->getTag()));
        }
    }

    std::vector<float> values() const {
        std::vector<float> v;
        for (const Call& c : calls) {
            v.push_back(c.value);
        }
        return v;
    }
    float lastValue() const { return calls.empty() ? -99.0f : calls.back().value; }

    std::vector<Call> calls;
    // When set, each call is also written here ("value TAG"), next to what a
    // recording owner writes, so the order of both can be checked.
    std::vector<std::string>* sequence = nullptr;
};

// A frame of w x h inside a test host window, owned by a recording owner.
class FrameScene {
public:
    explicit FrameScene(int width = 300, int height = 220)
        : windows(width + 20, height + 20),
          frame(new Frame(Rect(0, 0, width, height), windows.host(), &owner)) {
        TestWindows::pumpFor(10);
    }
    ~FrameScene() {
        delete frame;
        TestWindows::pumpFor(5);
    }
    FrameScene(const FrameScene&) = delete;
    FrameScene& operator=(const FrameScene&) = delete;

    // A point of the frame on the screen.
    POINT screen(int h, int v) const {
        const POINT origin = TestWindows::screenOrigin(win32::hwnd(frame->getWindow()));
        return POINT{origin.x + h, origin.y + v};
    }
    POINT screen(Point p) const { return screen(p.h, p.v); }

    // Keys go to the foreground window's focus; under Xvfb there is no window
    // manager to make a window foreground, so the test does it.
    void bringToFront() const {
        SetForegroundWindow(windows.top());
        SetActiveWindow(windows.top());
        TestWindows::pumpFor(20);
    }

    FakeOwner owner;
    TestWindows windows;
    Frame* frame;
};

}  // namespace qp::test
