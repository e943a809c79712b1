// The frame's window told of another DPI, as when the host's window moves to a
// monitor of another DPI: the owner hears the new scale, and may close the
// editor inside that call with nothing of the frame touched after.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "gui/Frame.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/System.h"
#include "tests/gui/GuiTestSupport.h"

namespace qp::test {
namespace {

struct ScaleOwner : FakeOwner {
    void windowScaleChanged(double scale) override {
        scales.push_back(scale);
        if (closeInside) {
            delete frame;
            frame = nullptr;
        }
    }
    std::vector<double> scales;
    bool closeInside = false;
    Frame* frame = nullptr;
};

TEST(FrameDpiChange, TheOwnerHearsTheNewScaleAndMayCloseTheEditorInside) {
    constexpr UINT kDpiChanged = 0x02E0, kDpiChangedAfterParent = 0x02E3;
    const struct {
        UINT message;
        WPARAM wParam;
        bool closeInside;
        double scale;  // 0: the window's own, as windowScale reports it
    } cases[] = {
        {kDpiChanged, MAKEWPARAM(192, 192), false, 2.0},
        {kDpiChanged, MAKEWPARAM(144, 144), true, 1.5},
        {kDpiChanged, 0, false, 0.0},
        {kDpiChangedAfterParent, 0, false, 0.0},
        {kDpiChangedAfterParent, 0, true, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.message) + " " + std::to_string(c.wParam) + " " +
                     std::to_string(c.closeInside));
        TestWindows windows;
        const std::int32_t objectsBefore = native::liveTotal();
        ScaleOwner owner;
        owner.closeInside = c.closeInside;
        owner.frame = new Frame(Rect(0, 0, 80, 40), windows.host(), &owner);
        const HWND window = win32::hwnd(owner.frame->getWindow());
        const double expected = c.scale > 0.0 ? c.scale : windowScale(window);
        EXPECT_EQ(SendMessageA(window, c.message, c.wParam, 0), 0);
        EXPECT_EQ(owner.scales, std::vector<double>{expected});
        EXPECT_EQ(IsWindow(window) != 0, !c.closeInside);
        delete owner.frame;
        EXPECT_EQ(native::liveTotal(), objectsBefore);
    }
}

}  // namespace
}  // namespace qp::test
