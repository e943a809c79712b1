// The frame's window told of another DPI, as the system tells it when the host's
// window moves to a monitor of another DPI: the owner hears the new scale, and
// may close the editor inside that call without the frame touching itself after.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "gui/Frame.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/System.h"
#include "tests/gui/GuiTestSupport.h"

namespace qp::test {
namespace {

constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// Records what it hears; closes the editor (deletes the frame) inside the call
// when asked to.
class ScaleOwner : public FakeOwner {
public:
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

struct DpiCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    bool hasOwner;
    bool closeInside;
    double scale;  // 0: the window's own scale, as windowScale reports it
};

void PrintTo(const DpiCase& row, std::ostream* out) { *out << row.name; }

const DpiCase kDpiCases[] = {
    {"TopLevelTo192", kDpiChanged, MAKEWPARAM(192, 192), true, false, 2.0},
    {"TopLevelTo144", kDpiChanged, MAKEWPARAM(144, 144), true, false, 1.5},
    {"TopLevelWithoutADpi", kDpiChanged, 0, true, false, 0.0},
    {"ChildAfterItsParent", kDpiChangedAfterParent, 0, true, false, 0.0},
    {"TopLevelOwnerClosesTheEditor", kDpiChanged, MAKEWPARAM(192, 192), true, true, 2.0},
    {"ChildOwnerClosesTheEditor", kDpiChangedAfterParent, 0, true, true, 0.0},
    {"NoOwner", kDpiChanged, MAKEWPARAM(192, 192), false, false, 2.0},
};

class FrameDpiChange : public ::testing::TestWithParam<DpiCase> {};

TEST_P(FrameDpiChange, TheOwnerHearsTheNewScaleAndMayCloseTheEditorInside) {
    const DpiCase& row = GetParam();
    TestWindows windows;
    const std::int32_t objectsBefore = native::liveTotal();
    ScaleOwner owner;
    owner.closeInside = row.closeInside;
    owner.frame = new Frame(Rect(0, 0, 80, 40), windows.host(), row.hasOwner ? &owner : nullptr);
    const HWND window = win32::hwnd(owner.frame->getWindow());
    ASSERT_TRUE(IsWindow(window));
    const double expected = row.scale > 0.0 ? row.scale : windowScale(owner.frame->getWindow());

    EXPECT_EQ(SendMessageA(window, row.message, row.wParam, 0), 0);

    if (row.hasOwner) {
        EXPECT_EQ(owner.scales, std::vector<double>{expected});
    }
    EXPECT_EQ(IsWindow(window) != 0, !row.closeInside);
    delete owner.frame;
    EXPECT_EQ(native::liveTotal(), objectsBefore);
}

INSTANTIATE_TEST_SUITE_P(Messages, FrameDpiChange, ::testing::ValuesIn(kDpiCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qp::test
