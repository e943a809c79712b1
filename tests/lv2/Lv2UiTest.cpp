// The bundle's X11 UI as a host drives it: loaded with dlopen from the bundle,
// embedded in an X11 window of the test's own, given idle time, and operated
// with the real pointer and keyboard through XTest. What it draws is read back
// from the server and compared with the art it is made of and with the Windows
// editor's pictures in docs/images/.
// Before Xlib, whose macros (None, Bool) would break its declarations.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>
#include <dlfcn.h>
#include <lv2/ui/ui.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/x11/XTestInput.h"

namespace {

const std::string kBundle = QP_LV2_BUNDLE_DIR;
const std::string kSource = QP_SOURCE_DIR;
constexpr int kWidth = 309, kHeight = 168;
constexpr int kSensX = 116, kBuzzX = 210, kKnobY = 14, kKnobSize = 98, kKnobFrames = 91;
constexpr unsigned kSensPort = 4, kBuzzPort = 5;

// The strip frame a value shows, by the knob's own arithmetic.
int frameFor(float value) {
    return std::min(kKnobFrames - 1, int(value * float(kKnobSize * (kKnobFrames - 1))) / kKnobSize);
}

// An RGB picture, 0xRRGGBB per pixel.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned> pixels;
    unsigned at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// The art's 24-bit, bottom-up .bmp files.
Picture readBmp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), {});
    auto le32 = [&](std::size_t at) {
        return int(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
    };
    Picture picture{le32(18), le32(22), {}};
    const std::size_t stride = (std::size_t(picture.width) * 3 + 3) & ~std::size_t(3);
    for (int y = 0; y < picture.height; ++y) {
        const unsigned char* row = &bytes[le32(10) + stride * std::size_t(picture.height - 1 - y)];
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels.push_back(row[x * 3 + 2] << 16 | row[x * 3 + 1] << 8 | row[x * 3]);
        }
    }
    return picture;
}

Picture readPng(const std::string& path) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    Picture picture{cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface), {}};
    for (int y = 0; y < picture.height; ++y) {
        const auto* row = reinterpret_cast<const unsigned*>(cairo_image_surface_get_data(surface) +
                                                            y * cairo_image_surface_get_stride(surface));
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels.push_back(row[x] & 0xFFFFFF);
        }
    }
    cairo_surface_destroy(surface);
    return picture;
}

// The pixels that differ in an area both pictures have (the whole face by default).
int differingPixels(const Picture& a, const Picture& b, int left = 0, int top = 0, int width = kWidth,
                    int height = kHeight) {
    int count = 0;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            count += a.at(x, y) != b.at(x, y);
        }
    }
    return count;
}

long openFds() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

// What the UI told the host.
struct HostLog {
    struct Write {
        unsigned port;
        float value;
    };
    struct Touch {
        unsigned port;
        bool grabbed;
        std::size_t afterWrites;  // writes before it
    };
    std::vector<Write> writes;
    std::vector<Touch> touches;
    std::vector<std::pair<int, int>> sizes;
};

void recordWrite(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                 const void* buffer) {
    ASSERT_EQ(size, sizeof(float));
    ASSERT_EQ(format, 0u);
    static_cast<HostLog*>(controller)->writes.push_back({port, *static_cast<const float*>(buffer)});
}

void recordTouch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    auto* log = static_cast<HostLog*>(handle);
    log->touches.push_back({port, grabbed, log->writes.size()});
}

int recordResize(LV2UI_Feature_Handle handle, int width, int height) {
    static_cast<HostLog*>(handle)->sizes.emplace_back(width, height);
    return 0;
}

class Lv2UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        display = qp::test::openDisplay();
        ASSERT_NE(display, nullptr) << "no X display";
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 300, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
        library = dlopen((kBundle + "/Quorrelphone_ui.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_EQ(entry(1), nullptr);
        idleInterface =
            static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idleInterface, nullptr);
    }
    void TearDown() override {
        if (ui) {
            descriptor->cleanup(ui);
        }
        if (library) {
            dlclose(library);
        }
        if (display) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }

    // The features a full host offers; `leaveOut` names one that is missing.
    LV2UI_Handle instantiate(const char* leaveOut = "", const char* plugin = "urn:veltmarsk:quorrelphone") {
        const LV2_Feature all[] = {
            {LV2_UI__parent, reinterpret_cast<void*>(parent)},
            {LV2_UI__idleInterface, nullptr},
            {LV2_UI__touch, &touch},
            {LV2_UI__resize, &resize},
        };
        std::vector<const LV2_Feature*> features;
        for (const LV2_Feature& f : all) {
            if (std::string(f.URI) != leaveOut) {
                features.push_back(&f);
            }
        }
        features.push_back(nullptr);
        widget = nullptr;
        return descriptor->instantiate(descriptor, plugin, kBundle.c_str(), recordWrite, &log, &widget,
                                       features.data());
    }
    void open() {
        ui = instantiate();
        ASSERT_NE(ui, nullptr);
        setPort(kSensPort, 0.5f);
        setPort(kBuzzPort, 0.5f);
        pump();
    }
    void setPort(unsigned port, float value, unsigned format = 0) {
        descriptor->port_event(ui, port, sizeof value, format, &value);
    }
    // Host idle time for a while, as a host's loop gives it.
    void pump(int milliseconds = 150) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            XSync(display, False);
            if (ui) {
                ASSERT_EQ(idleInterface->idle(ui), 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // The real pointer, at a point of the editor (which lies at the parent's origin).
    void moveTo(int x, int y) {
        int rootX = 0, rootY = 0;
        Window child;
        XTranslateCoordinates(display, parent, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
        pump(30);
    }
    void button(bool press) {
        XTestFakeButtonEvent(display, 1, press, CurrentTime);
        pump(60);
    }
    void click(int x, int y) {
        moveTo(x, y);
        button(true);
        button(false);
    }
    void key(KeySym symbol) {
        const KeyCode code = XKeysymToKeycode(display, symbol);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        pump(60);
    }
    Picture shot() {
        pump();
        XImage* image = XGetImage(display, Window(reinterpret_cast<std::uintptr_t>(widget)), 0, 0, kWidth,
                                  kHeight, AllPlanes, ZPixmap);
        Picture picture{kWidth, kHeight, {}};
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                picture.pixels.push_back(unsigned(XGetPixel(image, x, y)) & 0xFFFFFF);
            }
        }
        XDestroyImage(image);
        return picture;
    }
    // The face with a strip frame over a knob's well, its green keyed out.
    static Picture knobShowing(int knobX, int frame) {
        static const Picture face = readBmp(kSource + "/resources/face.bmp");
        static const Picture strip = readBmp(kSource + "/resources/knob.bmp");
        Picture picture = face;
        for (int y = 0; y < kKnobSize; ++y) {
            for (int x = 0; x < kKnobSize && knobX + x < kWidth; ++x) {
                const unsigned pixel = strip.at(x, frame * kKnobSize + y);
                if (pixel != 0x00FF00) {
                    picture.pixels[std::size_t(kKnobY + y) * kWidth + knobX + x] = pixel;
                }
            }
        }
        return picture;
    }

    Display* display = nullptr;
    Window parent = 0;
    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    LV2UI_Handle ui = nullptr;
    LV2UI_Widget widget = nullptr;
    HostLog log;
    LV2UI_Touch touch{&log, recordTouch};
    LV2UI_Resize resize{&log, recordResize};
};

TEST_F(Lv2UiTest, NeedsAParentAndIdleTimeAndSitsInTheParentAtTheFacesSize) {
    const struct {
        const char* leaveOut;
        const char* plugin;
        bool made;
    } cases[] = {
        {LV2_UI__parent, "urn:veltmarsk:quorrelphone", false},
        {LV2_UI__idleInterface, "urn:veltmarsk:quorrelphone", true},  // idle is extension data
        {"", "urn:someone:else", false},
        {LV2_UI__touch, "urn:veltmarsk:quorrelphone", true},
        {LV2_UI__resize, "urn:veltmarsk:quorrelphone", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.leaveOut) + " " + c.plugin);
        log = {};
        LV2UI_Handle handle = instantiate(c.leaveOut, c.plugin);
        ASSERT_EQ(handle != nullptr, c.made);
        if (!handle) {
            continue;
        }
        const auto window = Window(reinterpret_cast<std::uintptr_t>(widget));
        Window root, windowParent, *children = nullptr;
        unsigned count = 0;
        ASSERT_TRUE(XQueryTree(display, window, &root, &windowParent, &children, &count));
        XFree(children);
        EXPECT_EQ(windowParent, parent);
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window, &attributes);
        EXPECT_EQ(attributes.x, 0);
        EXPECT_EQ(attributes.y, 0);
        EXPECT_EQ(attributes.width, kWidth);
        EXPECT_EQ(attributes.height, kHeight);
        EXPECT_EQ(log.sizes, (c.leaveOut == std::string(LV2_UI__resize)
                                  ? std::vector<std::pair<int, int>>{}
                                  : std::vector<std::pair<int, int>>{{kWidth, kHeight}}));
        descriptor->cleanup(handle);
    }
}

// jalv lists ui:idleInterface among the features and asks extension_data for
// it; Qtractor passes no such feature and only asks, after instantiate.
TEST_F(Lv2UiTest, ShowsTheFaceAndDragsWhicheverWayTheHostOffersIdle) {
    const Picture face = readPng(kSource + "/docs/images/editor.png");
    const struct {
        const char* leaveOut;
        bool asksFirst;
    } hosts[] = {{"", true}, {LV2_UI__idleInterface, false}};
    for (const auto& host : hosts) {
        SCOPED_TRACE(host.leaveOut);
        log = {};
        idleInterface = nullptr;
        auto ask = [&] {
            idleInterface =
                static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
        };
        if (host.asksFirst) {
            ask();
        }
        ui = instantiate(host.leaveOut);
        ASSERT_NE(ui, nullptr);
        ask();
        ASSERT_NE(idleInterface, nullptr);
        setPort(kSensPort, 0.5f);
        setPort(kBuzzPort, 0.5f);
        EXPECT_EQ(differingPixels(shot(), face), 0);
        moveTo(kSensX + kKnobSize / 2, kKnobY + kKnobSize / 2);
        button(true);
        moveTo(kSensX + kKnobSize / 2, kKnobY + kKnobSize / 2 - 30);
        button(false);
        ASSERT_FALSE(log.writes.empty());
        EXPECT_GT(log.writes.back().value, 0.55f);
        descriptor->cleanup(ui);
        ui = nullptr;
    }
}

TEST_F(Lv2UiTest, AtTheDefaultsTheFaceIsTheWindowsEditorsPixelForPixel) {
    open();
    const Picture x11 = shot();
    const Picture windows = readPng(kSource + "/docs/images/editor.png");
    const int differing = differingPixels(x11, windows);
    std::printf("X11 editor against docs/images/editor.png: %d of %d pixels differ\n", differing,
                kWidth * kHeight);
    EXPECT_EQ(differing, 0);
    // Side by side, for the manual.
    cairo_surface_t* both = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth * 2 + 8, kHeight);
    auto* data = reinterpret_cast<unsigned*>(cairo_image_surface_get_data(both));
    const int stride = cairo_image_surface_get_stride(both) / 4;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth * 2 + 8; ++x) {
            data[y * stride + x] = x < kWidth        ? windows.at(x, y)
                                   : x >= kWidth + 8 ? x11.at(x - kWidth - 8, y)
                                                     : 0xFFFFFF;
        }
    }
    cairo_surface_mark_dirty(both);
    std::filesystem::create_directories("../test-results");
    cairo_surface_write_to_png(both, "../test-results/lv2-ui-beside-windows.png");
    cairo_surface_destroy(both);
}

TEST_F(Lv2UiTest, HostValuesTurnTheKnobToTheStripsFrame) {
    open();
    const struct {
        unsigned port;
        float value;
        unsigned format;
        int sensFrame, buzzFrame;
    } steps[] = {
        {kSensPort, 0.0f, 0, 0, 45},  {kSensPort, 1.0f, 0, 90, 45},
        {kBuzzPort, 0.0f, 0, 90, 0},  {kBuzzPort, 7.0f, 0, 90, 90},  // clamped as the plug-in clamps
        {kSensPort, 0.0f, 1, 90, 90},                                // not the float protocol
        {0, 0.0f, 0, 90, 90},                                        // an audio port
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.port) + " " + std::to_string(step.value));
        setPort(step.port, step.value, step.format);
        const Picture x11 = shot();
        for (const auto& [knobX, frame] :
             {std::pair{kSensX, step.sensFrame}, std::pair{kBuzzX, step.buzzFrame}}) {
            const Picture expected = knobShowing(knobX, frame);
            const int width = std::min(kKnobSize, kWidth - knobX);
            EXPECT_EQ(differingPixels(x11, expected, knobX, kKnobY, width, kKnobSize), 0) << knobX;
        }
    }
    EXPECT_TRUE(log.writes.empty()) << "host values are not echoed back";
}

TEST_F(Lv2UiTest, ADragOnTheSensKnobWritesRisingValuesInsideATouch) {
    open();
    moveTo(kSensX + kKnobSize / 2, kKnobY + kKnobSize / 2);
    button(true);
    for (int step = 1; step <= 8; ++step) {
        moveTo(kSensX + kKnobSize / 2, kKnobY + kKnobSize / 2 - step * 5);
    }
    button(false);
    ASSERT_EQ(log.touches.size(), 2u);
    EXPECT_EQ(log.touches[0].port, kSensPort);
    EXPECT_TRUE(log.touches[0].grabbed);
    EXPECT_EQ(log.touches[0].afterWrites, 0u);
    EXPECT_EQ(log.touches[1].port, kSensPort);
    EXPECT_FALSE(log.touches[1].grabbed);
    EXPECT_EQ(log.touches[1].afterWrites, log.writes.size());
    ASSERT_GE(log.writes.size(), 4u);
    for (std::size_t i = 0; i < log.writes.size(); ++i) {
        EXPECT_EQ(log.writes[i].port, kSensPort);
        EXPECT_GE(log.writes[i].value, i ? log.writes[i - 1].value : 0.5f);
    }
    EXPECT_GT(log.writes.back().value, 0.55f);
    std::printf("drag of 40 px up: %zu writes, sens 0.5 -> %.4f\n", log.writes.size(),
                log.writes.back().value);
}

TEST_F(Lv2UiTest, TheLogoMenuShowsAboutAndWritesAPresetsValues) {
    open();
    const Picture about = readPng(kSource + "/docs/images/editor-about.png");
    click(100, 140);
    key(XK_Down);  // About, the first entry
    key(XK_Return);
    EXPECT_EQ(differingPixels(shot(), about), 0);
    click(70, 60);  // anywhere on the about screen closes it
    EXPECT_EQ(differingPixels(shot(), readPng(kSource + "/docs/images/editor.png")), 0);
    EXPECT_TRUE(log.writes.empty());

    // Presets is below the separator; its fourth entry is "Nasal Reed" (0.75, 0.45).
    // Chosen again after the host moved sens, it writes the preset's values again.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        log.writes.clear();
        click(100, 140);
        for (KeySym symbol : {XK_Down, XK_Down, XK_Right, XK_Down, XK_Down, XK_Down, XK_Return}) {
            key(symbol);
        }
        ASSERT_EQ(log.writes.size(), 2u);
        EXPECT_EQ(log.writes[0].port, kSensPort);
        EXPECT_FLOAT_EQ(log.writes[0].value, 0.75f);
        EXPECT_EQ(log.writes[1].port, kBuzzPort);
        EXPECT_FLOAT_EQ(log.writes[1].value, 0.45f);
        setPort(kSensPort, 0.1f);
    }
    EXPECT_TRUE(log.touches.empty());
    const Picture x11 = shot();
    EXPECT_EQ(differingPixels(x11, knobShowing(kSensX, frameFor(0.1f)), kSensX, kKnobY, kKnobSize, kKnobSize),
              0);
}

TEST_F(Lv2UiTest, CleanupInTheMiddleOfADragEndsTheTouchAndWritesNothingAfter) {
    open();
    moveTo(kBuzzX + 40, kKnobY + 50);
    button(true);
    moveTo(kBuzzX + 40, kKnobY + 30);
    descriptor->cleanup(ui);
    ui = nullptr;
    const std::size_t writes = log.writes.size();
    moveTo(kBuzzX + 40, kKnobY + 10);
    button(false);
    pump();
    EXPECT_EQ(log.writes.size(), writes);
    ASSERT_EQ(log.touches.size(), 2u);
    EXPECT_EQ(log.touches[1].port, kBuzzPort);
    EXPECT_FALSE(log.touches[1].grabbed);
    // The parent has no child left.
    Window root, windowParent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, parent, &root, &windowParent, &children, &count);
    XFree(children);
    EXPECT_EQ(count, 0u);
}

// Each load of the object would take memory its C++ runtime never gives back.
TEST_F(Lv2UiTest, TheObjectStaysLoadedAfterTheHostUnloadsIt) {
    ASSERT_EQ(dlclose(library), 0);
    library = dlopen((kBundle + "/Quorrelphone_ui.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(library, nullptr);
}

TEST_F(Lv2UiTest, TwoHundredOpenAndCloseCyclesLeaveNoXResourcesOrFilesBehind) {
    auto serverResources = [this](int* clients) {
        XResClient* list = nullptr;
        XResQueryClients(display, clients, &list);
        long total = 0;
        for (int i = 0; i < *clients; ++i) {
            int types = 0;
            XResType* counts = nullptr;
            XResQueryClientResources(display, list[i].resource_base, &types, &counts);
            for (int t = 0; t < types; ++t) {
                total += counts[t].count;
            }
            XFree(counts);
        }
        XFree(list);
        return total;
    };
    // What the server holds in all while the editor is up, and once it is gone.
    struct Counts {
        long whileOpen, afterClose;
        int clients;
        long files;
    };
    auto cycle = [&] {
        Counts counts{};
        ui = instantiate();
        EXPECT_NE(ui, nullptr);
        setPort(kSensPort, 0.3f);
        pump(10);
        counts.whileOpen = serverResources(&counts.clients);
        descriptor->cleanup(ui);
        ui = nullptr;
        XSync(display, False);
        counts.afterClose = serverResources(&counts.clients);
        counts.files = openFds();
        return counts;
    };
    const Counts first = cycle();
    Counts last{};
    for (int i = 0; i < 200; ++i) {
        last = cycle();
    }
    std::printf(
        "cycle 1 and 201: X resources while open %ld/%ld, after close %ld/%ld; X clients %d/%d; "
        "open files %ld/%ld\n",
        first.whileOpen, last.whileOpen, first.afterClose, last.afterClose, first.clients, last.clients,
        first.files, last.files);
    EXPECT_EQ(last.whileOpen, first.whileOpen);
    EXPECT_EQ(last.afterClose, first.afterClose);
    EXPECT_EQ(last.clients, first.clients);
    EXPECT_EQ(last.files, first.files);
}

}  // namespace
