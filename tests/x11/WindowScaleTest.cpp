// The scale the desktop asks windows to show at, from its Xft.dpi resource: the
// root window's RESOURCE_MANAGER text, as xrdb -merge leaves it, set here
// directly (the suite's server is its own) and put back afterwards.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
// clang-format on

#include <cstring>
#include <string>

#include "gui/NativeHandlesX11.h"
#include "gui/System.h"
#include "tests/x11/XTestInput.h"

namespace qp::test {
namespace {

struct ScaleCase {
    const char* name;
    const char* resources;  // null: the root has no resource text at all
    double scale;
};

void PrintTo(const ScaleCase& row, std::ostream* out) { *out << row.name; }

const ScaleCase kScaleCases[] = {
    {"NoResources", nullptr, 1.0},
    {"Dpi192", "Xft.dpi:\t192\n", 2.0},
    {"Dpi144AmongOthers", "Xft.antialias:\t1\nXft.dpi:\t144\nXft.rgba:\trgb\n", 1.5},
    {"Dpi96", "Xft.dpi:\t96\n", 1.0},
    {"FractionAndBlanks", "  Xft.dpi :  120.0  \n", 1.25},
    {"LastLineWithoutNewline", "Xcursor.size:\t24\nXft.dpi:\t192", 2.0},
    {"TheLaterLineCounts", "Xft.dpi:\t144\nXft.dpi:\t192\n", 2.0},
    {"OtherNamesOnly", "Xft.dpix:\t192\n*dpi:\t192\nXft.dpi.x:\t192\n", 1.0},
    {"Garbage", "Xft.dpi:\tlarge\n", 1.0},
    {"TrailingGarbage", "Xft.dpi:\t192px\n", 1.0},
    {"NoValue", "Xft.dpi:\n", 1.0},
    {"Zero", "Xft.dpi:\t0\n", 1.0},
    {"Negative", "Xft.dpi:\t-192\n", 1.0},
    {"TenTimesIsTheMost", "Xft.dpi:\t960\n", 10.0},
    {"Absurd", "Xft.dpi:\t9600\n", 1.0},
};

class WindowScale : public ::testing::TestWithParam<ScaleCase> {
protected:
    void SetUp() override {
        display = openDisplay();
        if (!display) {
            GTEST_SKIP() << "no X display";
        }
        root = DefaultRootWindow(display);
        resourceManager = XInternAtom(display, "RESOURCE_MANAGER", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, root, resourceManager, 0, 1 << 20, False, XA_STRING, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            hadResources = type == XA_STRING;
            saved.assign(reinterpret_cast<const char*>(data), count);
            XFree(data);
        }
    }
    void TearDown() override {
        if (!display) {
            return;
        }
        setResources(hadResources ? saved.c_str() : nullptr);
        XCloseDisplay(display);
    }
    void setResources(const char* text) {
        if (text) {
            XChangeProperty(display, root, resourceManager, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(text), int(std::strlen(text)));
        } else {
            XDeleteProperty(display, root, resourceManager);
        }
        XSync(display, False);
    }

    Display* display = nullptr;
    Window root = 0;
    Atom resourceManager = 0;
    bool hadResources = false;
    std::string saved;
};

TEST_P(WindowScale, IsXftDpiOver96ElseOne) {
    const ScaleCase& row = GetParam();
    setResources(row.resources);
    // Any window of the desktop, or none, shows at the desktop's one scale.
    const Window window = XCreateSimpleWindow(display, root, 0, 0, 20, 20, 0, 0, 0);
    XSync(display, False);
    EXPECT_DOUBLE_EQ(windowScale(nullptr), row.scale);
    EXPECT_DOUBLE_EQ(windowScale(x11::nativeWindow(window)), row.scale);
    XDestroyWindow(display, window);
}

INSTANTIATE_TEST_SUITE_P(Resources, WindowScale, ::testing::ValuesIn(kScaleCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qp::test
