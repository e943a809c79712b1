#include <gtest/gtest.h>

#include <string>

#include "gui/AnimKnob.h"
#include "gui/Bitmap.h"
#include "gui/DropTargetWin32.h"
#include "gui/FrameAnimation.h"
#include "gui/HorizontalSlider.h"
#include "gui/Knob.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/OnOffButton.h"
#include "gui/OptionMenu.h"
#include "gui/OptionMenuPopup.h"
#include "gui/ParamDisplay.h"
#include "gui/TextEdit.h"
#include "gui/ToggleButton.h"
#include "gui/VerticalSlider.h"
#include "tests/gui/ControlTestSupport.h"

namespace qp::test {
namespace {

std::string liveCounts() {
    static const char* names[] = {"pen",    "brush", "font",    "bitmap",      "memoryDC", "windowDC",
                                  "window", "menu",  "library", "windowClass", "oleInit"};
    std::string text;
    for (int k = 0; k < int(native::Kind::count); ++k) {
        text += std::string(names[k]) + "=" + std::to_string(native::liveCount(native::Kind(k))) + " ";
    }
    return text;
}

// Every control of the toolkit in one frame: added, drawn, edited, removed.
// Answers the number of live objects while the text edit was open.
std::int32_t oneCycle(Frame* frame, Bitmap* strip, Bitmap* handle) {
    frame->addView(new Knob(Rect(0, 0, 40, 40), nullptr, 0, strip, handle));
    frame->addView(new Knob(Rect(40, 0, 80, 40), nullptr, 1, nullptr, nullptr));
    frame->addView(new AnimKnob(Rect(80, 0, 144, 8), nullptr, 2, 6, 8, strip));
    frame->addView(new VerticalSlider(Rect(0, 50, 16, 150), nullptr, 3, 50, 142, handle, strip));
    frame->addView(new HorizontalSlider(Rect(20, 50, 180, 58), nullptr, 4, 20, 164, handle, nullptr));
    auto* display =
        new ParamDisplay(Rect(20, 70, 120, 90), nullptr, kDisplayShadowText | kDisplayBorderSunken);
    display->setTextTransparency(false);
    frame->addView(display);
    auto* edit = new TextEdit(Rect(20, 95, 160, 115), nullptr, 5, "text");
    frame->addView(edit);
    auto* sub = new OptionMenu(Rect(0, 0, 10, 10), nullptr, 6);
    sub->addEntry("x");
    auto* menu = new OptionMenu(Rect(20, 120, 160, 140), nullptr, 7, strip, strip, 0);
    menu->addEntry("a");
    menu->addSubmenu("sub", sub);
    sub->release();
    frame->addView(menu);
    frame->addView(new OnOffButton(Rect(170, 70, 234, 94), nullptr, 8, strip));
    frame->addView(new ToggleButton(Rect(170, 95, 234, 111), nullptr, 9, 16, strip));
    auto* animation = new FrameAnimation(Rect(170, 115, 234, 123), nullptr, 10, 6, 8, strip);
    animation->open();
    frame->addView(animation);

    frame->redrawView(nullptr);
    frame->idle();
    edit->takeFocus(nullptr);
    frame->setEditView(edit);
    RedrawWindow(win32::hwnd(edit->getEditWindow()), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    test::TestWindows::pump();
    const std::int32_t whileEditing = native::liveTotal();
    frame->setEditView(nullptr);  // ends the editing
    { OptionMenuPopup popup(*menu); }
    frame->removeAllViews(true);
    return whileEditing;
}

TEST(ControlObjectCounts, EveryControlFreesWhatItMadeOverManyCycles) {
    DropTarget::install();
    test::FrameScene scene;
    Bitmap* strip = new Bitmap(test::faceBitmapId);
    Bitmap* handle = new Bitmap(test::patternBitmapId);
    oneCycle(scene.frame, strip, handle);  // anything made once per process happens here
    const std::int32_t before = native::liveTotal();
    const std::string countsBefore = liveCounts();
    std::int32_t peak = 0;
    for (int i = 0; i < 100; ++i) {
        peak = oneCycle(scene.frame, strip, handle);
    }
    // Two slider surfaces with their memory contexts, the edit window, its font
    // and its brush were alive in the middle of each cycle.
    EXPECT_GE(peak, before + 7);
    EXPECT_EQ(native::liveTotal(), before);
    EXPECT_EQ(liveCounts(), countsBefore);
    EXPECT_EQ(strip->getRefCount(), 1);
    EXPECT_EQ(handle->getRefCount(), 1);
    strip->release();
    handle->release();
}

TEST(ControlObjectCounts, RealPopupsAndRealEditsLeaveNothingBehind) {
    test::RecordingListener listener;
    test::FrameScene scene;
    auto* menu = new OptionMenu(Rect(20, 20, 160, 40), &listener, 7);
    menu->addEntry("a");
    menu->addEntry("b");
    auto* edit = new TextEdit(Rect(20, 100, 160, 120), &listener, 5, "text");
    scene.frame->addView(menu);
    scene.frame->addView(edit);
    scene.bringToFront();
    const std::int32_t before = native::liveTotal();
    const POINT onMenu = scene.screen(60, 30);
    const POINT onEdit = scene.screen(60, 110);
    for (int i = 0; i < 5; ++i) {
        test::RealInput input;
        input.moveTo(onMenu.x, onMenu.y)
            .press()
            .release()
            .pause(200)
            .keyDown(VK_DOWN)
            .keyUp(VK_DOWN)
            .pause(40);
        input.keyDown(VK_RETURN).keyUp(VK_RETURN).pause(100);
        input.moveTo(onEdit.x, onEdit.y).press().release().pause(60);
        const WORD letter = WORD('Y' + i % 2);  // a different text each time, so each edit reports
        input.keyDown(letter).keyUp(letter);
        input.keyDown(VK_RETURN).keyUp(VK_RETURN).pause(60);
        ASSERT_TRUE(input.runWhilePumping());
    }
    EXPECT_EQ(listener.calls.size(), 10u) << "five choices and five edits";
    EXPECT_EQ(native::liveTotal(), before) << liveCounts();
}

}  // namespace
}  // namespace qp::test
