// A host of the test's own for the bundle's X11 UI: it loads the UI with dlopen
// from the bundle, embeds it in an X11 window of its own, gives it idle time,
// operates it with the real pointer and keyboard through XTest, and reads back
// what it draws. It keeps Xlib's default error handler, as xcb- and Qt-based
// hosts do: an X error reaching it ends the process.
#pragma once

// Before Xlib, whose macros (None, Bool) would break its declarations.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>
#include <dlfcn.h>
#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/x11/Picture.h"
#include "tests/x11/XTestInput.h"

namespace {

using qp::test::Picture;
using qp::test::readPng;

const std::string kBundle = QP_LV2_BUNDLE_DIR;
const std::string kSource = QP_SOURCE_DIR;
constexpr int kWidth = 309, kHeight = 168;
constexpr int kSensX = 116, kBuzzX = 210, kKnobY = 14, kKnobSize = 98, kKnobFrames = 91;
constexpr unsigned kSensPort = 4, kBuzzPort = 5;

// The strip frame a value shows, by the knob's own arithmetic.
inline int frameFor(float value) {
    return std::min(kKnobFrames - 1, int(value * float(kKnobSize * (kKnobFrames - 1))) / kKnobSize);
}

// The art's 24-bit, bottom-up .bmp files.
inline Picture readBmp(const std::string& path) {
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

// The pixels that differ in an area both pictures have (the whole face by default).
inline int differingPixels(const Picture& a, const Picture& b, int left = 0, int top = 0, int width = kWidth,
                           int height = kHeight) {
    int count = 0;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            count += a.at(x, y) != b.at(x, y);
        }
    }
    return count;
}

inline long openFds() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

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

// The host's URID map: a URI's number is its place in the list, from 1.
struct UridMap {
    std::vector<std::string> uris;
    LV2_URID_Map feature{this, map};

    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri) {
        auto& uris = static_cast<UridMap*>(handle)->uris;
        const auto found = std::find(uris.begin(), uris.end(), uri);
        if (found != uris.end()) {
            return LV2_URID(found - uris.begin() + 1);
        }
        uris.emplace_back(uri);
        return LV2_URID(uris.size());
    }
    LV2_URID operator()(const char* uri) { return map(this, uri); }
};

class Lv2UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The UI keeps the user's zoom choice in the settings file of the
        // test's own XDG_CONFIG_HOME: every test starts without one (Auto).
        if (const char* config = std::getenv("XDG_CONFIG_HOME")) {
            std::remove((std::string(config) + "/Veltmarsk/Quorrelphone/settings").c_str());
        }
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
            if (parent) {
                XDestroyWindow(display, parent);
            }
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
            {LV2_URID__map, &urids.feature},
            {LV2_OPTIONS__options, nullptr},
        };
        // The options a host hands over: the scale it shows its own interface at,
        // where it has one, and the closing empty option.
        const float scale = hostScale;
        const LV2_Options_Option options[] = {
            {LV2_OPTIONS_INSTANCE, 0, urids(LV2_UI__scaleFactor), sizeof scale, urids(LV2_ATOM__Float),
             &scale},
            {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
        };
        const LV2_Feature optionsFeature{LV2_OPTIONS__options,
                                         const_cast<LV2_Options_Option*>(&options[hostScale > 0.0f ? 0 : 1])};
        std::vector<const LV2_Feature*> features;
        for (const LV2_Feature& f : all) {
            if (std::string(f.URI) != leaveOut) {
                features.push_back(std::string(f.URI) == LV2_OPTIONS__options ? &optionsFeature : &f);
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
    Picture shot(int width = kWidth, int height = kHeight) {
        pump();
        XImage* image = XGetImage(display, Window(reinterpret_cast<std::uintptr_t>(widget)), 0, 0,
                                  unsigned(width), unsigned(height), AllPlanes, ZPixmap);
        Picture picture{width, height, {}};
        if (!image) {
            return picture;
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
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
    UridMap urids;
    // The ui:scaleFactor instantiate hands over; 0 for options without one.
    float hostScale = 0.0f;
};

}  // namespace
