// The editor behind clap.gui on X11 as a host drives it: made, scaled, embedded
// in a window of the test's own and shown, then given time only through the
// timer and the display descriptor it registered, operated with the real pointer
// and keyboard (XTest) and read back from the screen. Blocks between the steps
// carry the editor's edits out as the host's output events.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "editor/art/Art.h"
#include "tests/clap/ClapHostServices.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/x11/Picture.h"
#include "tests/x11/XTestInput.h"

namespace qp::test {
namespace {

const std::string kSource = QP_SOURCE_DIR;
constexpr int kSensX = 116, kKnobY = 14, kKnobSize = 98, kKnobFrames = 91;
constexpr std::uint16_t kBegin = CLAP_EVENT_PARAM_GESTURE_BEGIN, kEnd = CLAP_EVENT_PARAM_GESTURE_END;

// The strip frame a value shows, by the knob's own arithmetic.
int frameFor(float value) {
    return std::min(kKnobFrames - 1, int(value * float(kKnobSize * (kKnobFrames - 1))) / kKnobSize);
}

Picture preview(int step, int frame) {
    const art::Picture art = art::drawEditorPreview(step, frame, false);
    Picture picture{art.width, art.height, {}};
    for (std::size_t i = 0; i + 2 < art.rgb.size(); i += 3) {
        picture.pixels.push_back(unsigned(art.rgb[i]) << 16 | unsigned(art.rgb[i + 1]) << 8 | art.rgb[i + 2]);
    }
    return picture;
}

int differingPixels(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height) {
        return a.width * a.height + 1;
    }
    int count = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        count += a.pixels[i] != b.pixels[i];
    }
    return count;
}

long openFds() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

class ClapGuiX11 : public ::testing::Test {
protected:
    void SetUp() override {
        // The module keeps the user's zoom choice in the settings file of the
        // test's own XDG_CONFIG_HOME: every test starts without one (Auto).
        if (const char* config = std::getenv("XDG_CONFIG_HOME")) {
            std::remove((std::string(config) + "/Veltmarsk/Quorrelphone/settings").c_str());
        }
        display = openDisplay();
        ASSERT_NE(display, nullptr) << "no X display";
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 960, 540, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
        plugin = std::make_unique<ClapInstance>(session, host.record());
        ASSERT_TRUE(plugin->start(48000.0));
        gui = static_cast<const clap_plugin_gui*>((*plugin)->get_extension(plugin->get(), CLAP_EXT_GUI));
        ASSERT_NE(gui, nullptr);
    }
    void TearDown() override {
        if (made) {
            gui->destroy(plugin->get());
        }
        plugin.reset();
        if (display != nullptr) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }

    // The host's opening sequence for an embedded editor.
    void open(double scale = 0.0, int settle = 150) {
        ASSERT_TRUE(gui->is_api_supported(plugin->get(), CLAP_WINDOW_API_X11, false));
        ASSERT_TRUE(made = gui->create(plugin->get(), CLAP_WINDOW_API_X11, false));
        if (scale > 0.0) {
            ASSERT_TRUE(gui->set_scale(plugin->get(), scale));
        }
        ASSERT_TRUE(gui->get_size(plugin->get(), &width, &height));
        clap_window window{CLAP_WINDOW_API_X11, {}};
        window.x11 = parent;
        ASSERT_TRUE(gui->set_parent(plugin->get(), &window));
        ASSERT_TRUE(gui->show(plugin->get()));
        pump(settle);
    }
    void close() {
        gui->destroy(plugin->get());
        made = false;
    }
    // A host's loop for a while: its timers when due and its poll of the
    // descriptors, nothing else.
    void pump(int milliseconds = 150) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        auto nextTick = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() < end) {
            XSync(display, False);
            if (std::chrono::steady_clock::now() >= nextTick) {
                host.fireTimers(plugin->get());
                nextTick += std::chrono::milliseconds(30);
            }
            host.pollDescriptors(plugin->get(), 5);
        }
    }
    // A block of silence, its output events kept.
    void block(const clap_input_events* in = nullptr) {
        std::vector<float> left(64), right(64);
        plugin->block(left.data(), right.data(), left.data(), right.data(), 64, in, out.list());
    }
    void moveTo(int x, int y) {
        int rootX = 0, rootY = 0;
        Window child;
        XTranslateCoordinates(display, parent, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
        pump(30);
        block();
    }
    void button(bool press) {
        XTestFakeButtonEvent(display, 1, press, CurrentTime);
        pump(60);
        block();
    }
    // The editor lies at the parent's origin.
    Picture shot() {
        pump();
        XImage* image = XGetImage(display, parent, 0, 0, width, height, AllPlanes, ZPixmap);
        Picture picture{int(width), int(height), {}};
        for (int y = 0; image != nullptr && y < int(height); ++y) {
            for (int x = 0; x < int(width); ++x) {
                picture.pixels.push_back(unsigned(XGetPixel(image, x, y)) & 0xFFFFFF);
            }
        }
        if (image != nullptr) {
            XDestroyImage(image);
        }
        return picture;
    }
    unsigned children() {
        Window root, windowParent, *list = nullptr;
        unsigned count = 0;
        XQueryTree(display, parent, &root, &windowParent, &list, &count);
        XFree(list);
        return count;
    }

    ClapSession session;
    TestHost host;
    std::unique_ptr<ClapInstance> plugin;
    const clap_plugin_gui* gui = nullptr;
    bool made = false;
    Display* display = nullptr;
    Window parent = 0;
    std::uint32_t width = 0, height = 0;
    OutputList out;
};

// Embedded X11 is offered to any host (some ask on a probe instance whose host
// offers nothing); nothing but the host's timer gives the editor time, so
// without one it is not made.
TEST(ClapGuiX11Offer, EmbeddedX11MadeWhereTheHostHasATimer) {
    struct Case {
        const char* api;
        bool floating;
        bool timers;
        bool supported;
        bool made;
    };
    ClapSession session;
    for (const Case& c :
         {Case{"x11", false, true, true, true}, Case{"x11", true, true, false, false},
          Case{"x11", false, false, true, false}, Case{"win32", false, true, false, false},
          Case{"wayland", false, true, false, false}, Case{"cocoa", false, true, false, false}}) {
        TestHost host;
        host.offerTimers = c.timers;
        ClapInstance plugin(session, host.record());
        const auto* gui =
            static_cast<const clap_plugin_gui*>(plugin->get_extension(plugin.get(), CLAP_EXT_GUI));
        EXPECT_EQ(gui->is_api_supported(plugin.get(), c.api, c.floating), c.supported) << c.api << c.timers;
        EXPECT_EQ(gui->create(plugin.get(), c.api, c.floating), c.made) << c.api << c.timers;
        if (c.made) {
            gui->destroy(plugin.get());
        }
        EXPECT_TRUE(host.timers.empty());
    }
}

TEST_F(ClapGuiX11, ShowsTheFaceAtTheHostsScaleAndTheHostsValues) {
    struct Case {
        const char* what;
        double scale;
        float hostValue;  // both knobs; 0.5 is where they start
        std::uint32_t width, height;
        Picture expected;
    };
    const Case cases[] = {
        {"100 %", 1.0, 0.5f, 309, 168, readPng(kSource + "/docs/images/editor.png")},
        {"200 %", 2.0, 0.5f, 618, 336, preview(200, frameFor(0.5f))},
        {"the host's values at 100 %", 0.0, 0.8f, 309, 168, preview(100, frameFor(0.8f))},
        {"the host's values at 200 %", 2.0, 0.1f, 618, 336, preview(200, frameFor(0.1f))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.scale);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_TRUE(gui->set_size(plugin->get(), c.width, c.height));
        EXPECT_FALSE(gui->set_size(plugin->get(), c.width + 1, c.height));
        EXPECT_FALSE(gui->can_resize(plugin->get()));
        EventList values;
        values.value(0, c.hostValue);
        values.value(1, c.hostValue);
        block(values.list());
        const int differing = differingPixels(shot(), c.expected);
        std::printf("%s: %u x %u, %d pixels differ\n", c.what, width, height, differing);
        EXPECT_EQ(differing, 0);
        EXPECT_EQ(host.timers.size(), 1u);
        EXPECT_EQ(host.descriptors.size(), 1u);
        close();
        EXPECT_TRUE(host.timers.empty() && host.descriptors.empty()) << "given back at destroy";
    }
}

TEST_F(ClapGuiX11, ADragOnSensIsOneGestureOfRisingValuesAndLeavesTheFocusAlone) {
    XSelectInput(display, parent, KeyPressMask);
    XSetInputFocus(display, parent, RevertToParent, CurrentTime);
    open();
    const int x = kSensX + kKnobSize / 2, y = kKnobY + kKnobSize / 2;
    moveTo(x, y);
    button(true);
    for (int step = 1; step <= 4; ++step) {
        moveTo(x, y - 10 * step);
    }
    button(false);
    ASSERT_GE(out.events.size(), 4u);
    EXPECT_EQ(out.events.front(), (OutputList::Event{kBegin, 0, 0.0}));
    EXPECT_EQ(out.events.back(), (OutputList::Event{kEnd, 0, 0.0}));
    double last = 0.5;
    for (std::size_t i = 1; i + 1 < out.events.size(); ++i) {
        EXPECT_EQ(out.events[i].type, CLAP_EVENT_PARAM_VALUE) << i;
        EXPECT_EQ(out.events[i].id, 0u) << i;
        EXPECT_GE(out.events[i].value, last) << i;
        last = out.events[i].value;
    }
    EXPECT_GT(last, 0.55);
    EXPECT_EQ(plugin->value(0), last) << "what the host heard is what sounds";
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    EXPECT_EQ(focus, parent);
}

TEST_F(ClapGuiX11, DestroyedInTheMiddleOfADragTheGestureEnds) {
    open();
    moveTo(kSensX + 40, kKnobY + 50);
    button(true);
    moveTo(kSensX + 40, kKnobY + 30);
    close();
    block();
    moveTo(kSensX + 40, kKnobY + 10);
    button(false);
    ASSERT_GE(out.events.size(), 2u);
    EXPECT_EQ(out.events.front().type, kBegin);
    EXPECT_EQ(out.events.back(), (OutputList::Event{kEnd, 0, 0.0}));
    EXPECT_EQ(children(), 0u);
    EXPECT_TRUE(host.timers.empty() && host.descriptors.empty());
}

TEST_F(ClapGuiX11, TwoHundredCyclesLeaveNoDescriptorsOrClientsBehind) {
    const auto clients = [this] {
        int count = 0;
        XResClient* list = nullptr;
        XResQueryClients(display, &count, &list);
        XFree(list);
        return count;
    };
    const auto cycle = [&] {
        open(0.0, 10);
        close();
        XSync(display, False);
        return std::pair{openFds(), clients()};
    };
    const auto first = cycle();
    std::pair<long, int> last{};
    for (int i = 0; i < 200; ++i) {
        last = cycle();
    }
    std::printf("cycle 1 and 201: open files %ld/%ld, X clients %d/%d\n", first.first, last.first,
                first.second, last.second);
    EXPECT_EQ(last, first);
}

}  // namespace
}  // namespace qp::test
