// The editor of Quorrelphone.so in a host's X11 window, driven as a Linux VST 2
// host drives it: the host's window id in effEditOpen's pointer, the size from
// effEditGetRect, all its events handled in effEditIdle, and the real pointer
// (XTest) dragging a knob. The editor window is the library's, on a connection
// of its own; this host sees it only as a child of its window.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

#include "PluginHost.h"

namespace qp::test {
namespace {

constexpr int kSensX = 116, kKnobY = 14, kKnobSize = 98;

class X11Editor : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr || (display = XOpenDisplay(nullptr)) == nullptr) {
            GTEST_SKIP() << "the editor needs an X display";
        }
        ASSERT_TRUE(host.loaded()) << host.loadError();
        ASSERT_NE(host.open(), nullptr);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 640, 480, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override {
        if (display) {
            host.close();
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }

    ERect rect() {
        ERect* rect = nullptr;
        EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
        return rect ? *rect : ERect{};
    }
    IntPtr open() {
        return host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t(parent)));
    }
    // The host's idle for a while, as its loop gives it.
    void idle(int milliseconds = 150) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            XSync(display, False);
            host.dispatch(effEditIdle);
        }
    }
    std::vector<Window> children() {
        XSync(display, False);
        Window root = 0, above = 0, *list = nullptr;
        unsigned count = 0;
        XQueryTree(display, parent, &root, &above, &list, &count);
        std::vector<Window> found(list, list + count);
        if (list) {
            XFree(list);
        }
        return found;
    }
    void pointerTo(Window window, int x, int y) {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
        idle(30);
    }
    void button(bool down) {
        XTestFakeButtonEvent(display, 1, down, CurrentTime);
        idle(60);
    }

    PluginHost host;
    Display* display = nullptr;
    Window parent = 0;
};

TEST_F(X11Editor, SitsInTheHostsWindowAtTheRectsSizeShowsTheFaceAndGoesWhenClosed) {
    for (int cycle = 0; cycle < 3; ++cycle) {
        const ERect size = rect();
        EXPECT_EQ(size.right - size.left, 309) << cycle;
        EXPECT_EQ(size.bottom - size.top, 168) << cycle;
        ASSERT_EQ(open(), 1) << cycle;
        idle();
        const std::vector<Window> shown = children();
        ASSERT_EQ(shown.size(), 1u) << cycle;
        XWindowAttributes attributes{};
        ASSERT_TRUE(XGetWindowAttributes(display, shown[0], &attributes));
        EXPECT_EQ(attributes.width, size.right - size.left) << cycle;
        EXPECT_EQ(attributes.height, size.bottom - size.top) << cycle;
        EXPECT_EQ(attributes.map_state, IsViewable) << cycle;
        // Painted: the face has many colours, an unpainted window one.
        XImage* image = XGetImage(display, shown[0], 0, 0, unsigned(attributes.width),
                                  unsigned(attributes.height), AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
        std::set<unsigned long> colours;
        for (int y = 0; y < attributes.height; y += 4) {
            for (int x = 0; x < attributes.width; x += 4) {
                colours.insert(XGetPixel(image, x, y));
            }
        }
        XDestroyImage(image);
        EXPECT_GT(colours.size(), 16u) << cycle;

        host.dispatch(effEditClose);
        EXPECT_TRUE(children().empty()) << cycle;
    }
}

TEST_F(X11Editor, ADragOnTheSensKnobIsAutomatedInsideOneEdit) {
    // A host's knob mode is taken, and every open makes it linear again.
    EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 0), 1);
    ASSERT_EQ(open(), 1);
    idle();
    const std::vector<Window> shown = children();
    ASSERT_EQ(shown.size(), 1u);
    host.clearCalls();
    const int x = kSensX + kKnobSize / 2, y = kKnobY + kKnobSize / 2;
    pointerTo(shown[0], x, y);
    button(true);
    for (int step = 1; step <= 8; ++step) {
        pointerTo(shown[0], x, y - step * 5);
    }
    button(false);

    std::vector<Int32> edits;
    std::vector<float> values;
    for (const HostCall& call : host.calls()) {
        if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit) {
            EXPECT_EQ(call.index, 0);
            edits.push_back(call.opcode);
        } else if (call.opcode == audioMasterAutomate) {
            EXPECT_EQ(call.index, 0);
            EXPECT_EQ(edits.size(), 1u) << "a value outside the edit";
            values.push_back(call.opt);
        }
    }
    EXPECT_EQ(edits, (std::vector<Int32>{audioMasterBeginEdit, audioMasterEndEdit}));
    ASSERT_GE(values.size(), 4u);
    for (std::size_t i = 1; i < values.size(); ++i) {
        EXPECT_GE(values[i], values[i - 1]) << i;
    }
    EXPECT_GT(values.back(), 0.55f);
    EXPECT_EQ(host.getParameter(0), values.back());
    host.dispatch(effEditClose);
}

}  // namespace
}  // namespace qp::test
