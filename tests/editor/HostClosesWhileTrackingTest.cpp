// The host closes the editor (effEditClose) while a control of the open editor is
// still busy with the user: a drag or click loop gives the host idle time, a popup
// menu's loop dispatches the host's timer, and a text edit's listener reaches the
// host with the new value. The real editor in a real host window, real input, and
// freed memory poisoned (PoisonedDelete.cpp), so a control or frame used after the
// close crashes the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "editor/StepSwitch.h"
#include "gui/Frame.h"
#include "gui/HorizontalSlider.h"
#include "gui/NativeHandlesWin32.h"
#include "gui/OnOffButton.h"
#include "gui/TextEdit.h"
#include "gui/ToggleButton.h"
#include "gui/VerticalSlider.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RealInput.h"

namespace qp::test {
namespace {

// When the host closes the editor: its first idle, its first automation, or
// its own timer while a popup menu is up.
enum class Moment {
    hostIdle,
    automate,
    timerInPopup
};
enum class Gesture {
    drag,
    click,
    clickAndEnter
};

struct ControlKind {
    const char* name;
    // Adds the control to the open editor's frame, in the free corner left of
    // the knobs; none: the face's own control under `at`.
    std::function<Control*(BuzzEditor&)> make;
    POINT at;
    Gesture gesture;
    Moment moment;
    bool bracketed;
};

void PrintTo(const ControlKind& kind, std::ostream* out) { *out << kind.name; }

// The free corner left of the knobs.
constexpr Rect kCorner(10, 10, 106, 106);
constexpr POINT kCornerMiddle = {58, 58};

const ControlKind kKinds[] = {
    {"Knob", nullptr, {165, 63}, Gesture::drag, Moment::hostIdle, true},
    {"HorizontalSlider",
     [](BuzzEditor& e) -> Control* {
         auto* slider = new HorizontalSlider(kCorner, &e, 0, kCorner.left, kCorner.right, nullptr, nullptr);
         slider->setFreeClick(true);
         return slider;
     },
     kCornerMiddle, Gesture::drag, Moment::hostIdle, true},
    {"VerticalSlider",
     [](BuzzEditor& e) -> Control* {
         auto* slider = new VerticalSlider(kCorner, &e, 0, kCorner.top, kCorner.bottom, nullptr, nullptr);
         slider->setFreeClick(true);
         return slider;
     },
     kCornerMiddle, Gesture::drag, Moment::hostIdle, true},
    {"OnOffButton", [](BuzzEditor& e) -> Control* { return new OnOffButton(kCorner, &e, 0, nullptr); },
     kCornerMiddle, Gesture::click, Moment::hostIdle, false},
    {"ToggleButton", [](BuzzEditor& e) -> Control* { return new ToggleButton(kCorner, &e, 0, 10, nullptr); },
     kCornerMiddle, Gesture::click, Moment::hostIdle, true},
    {"StepSwitch", [](BuzzEditor& e) -> Control* { return new StepSwitch(kCorner, &e, 0, 3, 10, nullptr); },
     kCornerMiddle, Gesture::click, Moment::automate, false},
    {"OptionMenu", nullptr, {235, 155}, Gesture::click, Moment::timerInPopup, false},
    {"TextEdit", [](BuzzEditor& e) -> Control* { return new TextEdit(kCorner, &e, 0, "text"); },
     kCornerMiddle, Gesture::clickAndEnter, Moment::automate, false},
};

// A thread timer carries no context: the test running now.
std::function<void()> onHostTimer;
void CALLBACK hostTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (onHostTimer) {
        onHostTimer();
    }
}

class HostClosesWhileTracking : public ::testing::TestWithParam<ControlKind> {
protected:
    void SetUp() override {
        ASSERT_EQ(fx.editor->open(windows.host()), 1);
        SetForegroundWindow(windows.top());
        TestWindows::pumpFor(60);
    }
    void TearDown() override {
        onHostTimer = nullptr;
        fx.editor->close();
    }

    void closeTheEditor() {
        closed = true;
        closedAfter = fx.host.calls.size();
        AEffect* record = fx.effect->record();
        record->dispatcher(record, effEditClose, 0, 0, nullptr, 0.0f);
    }

    EditedEffect fx;
    TestWindows windows{340, 200};
    bool closed = false;
    std::size_t closedAfter = 0;
};

TEST_P(HostClosesWhileTracking, TheControlEndsCleanlyAndTheEditorOpensAgain) {
    const ControlKind& kind = GetParam();
    if (kind.make) {
        fx.editor->getFrame()->addView(kind.make(*fx.editor));
    }
    const Int32 moment = kind.moment == Moment::automate ? audioMasterAutomate : audioMasterIdle;
    fx.host.respond = [&](const HostCall& call) -> IntPtr {
        if (!closed && kind.moment != Moment::timerInPopup && call.opcode == moment) {
            closeTheEditor();
        }
        return 0;
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, hostTimer);
    onHostTimer = [&] {
        if (!closed && kind.moment == Moment::timerInPopup && !hostlib::visibleMenuWindows().empty()) {
            closeTheEditor();
            EndMenu();
        }
    };

    POINT at = kind.at;
    ClientToScreen(win32::hwnd(fx.editor->getFrame()->getWindow()), &at);
    RealInput input;
    input.moveTo(at.x, at.y).press();
    if (kind.gesture == Gesture::drag) {
        input.glide(at.x + 20, at.y - 30, 8);
    }
    input.pause(60).release().pause(100);
    if (kind.gesture == Gesture::clickAndEnter) {
        input.keyDown('X').keyUp('X').keyDown(VK_RETURN).keyUp(VK_RETURN).pause(50);
    }
    ASSERT_TRUE(input.runWhilePumping());
    KillTimer(nullptr, timer);

    ASSERT_TRUE(closed) << "the host never got the moment to close the editor";
    EXPECT_EQ(fx.editor->getFrame(), nullptr);
    EXPECT_EQ(GetWindow(windows.host(), GW_CHILD), nullptr) << "no window of the editor is left";
    // A bracket that was opened is closed once; nothing reaches the host after the close.
    const std::size_t bracket = kind.bracketed ? 1u : 0u;
    EXPECT_EQ(fx.host.callsWith(audioMasterBeginEdit).size(), bracket);
    EXPECT_EQ(fx.host.callsWith(audioMasterEndEdit).size(), bracket);
    EXPECT_TRUE(std::none_of(fx.host.calls.begin() + std::ptrdiff_t(closedAfter), fx.host.calls.end(),
                             [](const HostCall& c) { return c.opcode == audioMasterAutomate; }));

    fx.host.respond = nullptr;
    ASSERT_EQ(fx.editor->open(windows.host()), 1);
    EXPECT_EQ(fx.editor->getFrame()->getViewCount(), 5);
    EXPECT_NE(GetWindow(windows.host(), GW_CHILD), nullptr);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, HostClosesWhileTracking, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<ControlKind>& info) { return info.param.name; });

}  // namespace
}  // namespace qp::test
