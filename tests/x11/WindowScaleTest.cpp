// The desktop's scale from its Xft.dpi resource: the root window's
// RESOURCE_MANAGER text as xrdb -merge leaves it, set here directly on the
// suite's own server and put back afterwards.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
// clang-format on

#include <cstring>

#include "gui/System.h"
#include "tests/x11/XTestInput.h"

namespace qp::test {
namespace {

TEST(WindowScale, IsXftDpiOver96ElseOne) {
    const struct {
        const char* resources;  // null: no resource text at all
        double scale;
    } cases[] = {
        {nullptr, 1.0},
        {"Xft.dpi:\t192\n", 2.0},
        {"Xft.antialias:\t1\nXft.dpi:\t144\nXft.rgba:\trgb", 1.5},
        {"  Xft.dpi :  120.0  \n", 1.25},
        {"Xft.dpix:\t192\n*dpi:\t192\n", 1.0},
        {"Xft.dpi:\tlarge\n", 1.0},
        {"Xft.dpi:\t192px\n", 1.0},
        {"Xft.dpi:\t-192\n", 1.0},
        {"Xft.dpi:\t9600\n", 1.0},
    };
    Display* display = openDisplay();
    ASSERT_NE(display, nullptr);
    const Window root = DefaultRootWindow(display);
    const Atom property = XInternAtom(display, "RESOURCE_MANAGER", False);
    char* saved = XResourceManagerString(display);  // as this connection found it
    auto setResources = [&](const char* text) {
        if (text) {
            XChangeProperty(display, root, property, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(text), int(std::strlen(text)));
        } else {
            XDeleteProperty(display, root, property);
        }
        XSync(display, False);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.resources ? c.resources : "(none)");
        setResources(c.resources);
        EXPECT_DOUBLE_EQ(windowScale(nullptr), c.scale);
    }
    setResources(saved);
    XCloseDisplay(display);
}

}  // namespace
}  // namespace qp::test
