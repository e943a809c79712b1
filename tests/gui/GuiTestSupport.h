// Shared pieces of the GUI tests: the test bitmaps' pixel rules, real top-level and host windows, a recording view and a fake
// frame owner.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gui/Color.h"
#include "gui/DrawContext.h"
#include "gui/FrameOwner.h"
#include "gui/View.h"
#include "tests/support/Surface.h"
#include "tools/hostlib/WindowCapture.h"

namespace qp::test {

// gui_tests.rc; the pixel rules are those of bitmaps/make_bitmaps.py.
constexpr int patternBitmapId = 101;
constexpr int patternWidth = 16;
constexpr int patternHeight = 8;
constexpr int faceBitmapId = 102;
constexpr int faceWidth = 64;
constexpr int faceHeight = 48;
constexpr int missingBitmapId = 4321;

inline Color patternPixel(int x, int y) {
    switch ((x + y) % 3) {
        case 0:
            return colorGreen;
        case 1:
            return colorWhite;
        default:
            return makeColor(std::uint8_t(x * 16 % 256), std::uint8_t(y * 30 % 256), 200);
    }
}

inline Color facePixel(int x, int y) {
    return makeColor(std::uint8_t(x * 4 % 256), std::uint8_t(y * 5 % 256), 77);
}

inline Color fromNative(COLORREF c) { return makeColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Whether every pixel of the surface is expected(x, y); a failure tells how many
// are not and which the first few of them are, row by row.
template <typename Rule>
::testing::AssertionResult everyPixelIs(const Surface& s, Rule expected) {
    int wrong = 0;
    std::string where;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            const Color want = expected(x, y);
            const Color got = s.pixel(x, y);
            if (!(got == want) && ++wrong <= 8) {
                char line[64];
                std::snprintf(line, sizeof(line), "\n  at %d,%d: %02x%02x%02x instead of %02x%02x%02x", x, y,
                              got.red, got.green, got.blue, want.red, want.green, want.blue);
                where += line;
            }
        }
    }
    if (wrong == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << wrong << " pixels differ" << where;
}

// A visible top-level window with a child window inside it, as a host gives an
// editor: frames under test are made inside host(). Hosts are at most 600 x 420.
class TestWindows {
public:
    static constexpr int topLeftX = 120;
    static constexpr int topLeftY = 90;
    static constexpr int hostX = 7;
    static constexpr int hostY = 5;

    TestWindows(int width = 320, int height = 240) {
        top_ = sharedTopWindow();
        host_ = CreateWindowExA(0, className, "host", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, hostX, hostY,
                                width, height, top_, nullptr, GetModuleHandleA(nullptr), nullptr);
        pumpFor(20);
    }
    ~TestWindows() {
        if (host_) {
            DestroyWindow(host_);
        }
        pumpFor(5);
    }
    TestWindows(const TestWindows&) = delete;
    TestWindows& operator=(const TestWindows&) = delete;

    HWND top() const { return top_; }
    HWND host() const { return host_; }
    // Destroys the host's child window early, as a host that tears down its own
    // window before closing the editor does.
    void destroyHost() {
        DestroyWindow(host_);
        host_ = nullptr;
    }

    static void pump() { hostlib::pumpMessages(); }
    static void pumpFor(int ms) {
        const DWORD start = GetTickCount();
        do {
            pump();
            Sleep(2);
        } while (GetTickCount() - start < DWORD(ms));
    }

    // The window's top-left corner on the screen.
    static POINT screenOrigin(HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        return POINT{r.left, r.top};
    }

    static Color windowPixel(HWND window, int x, int y) {
        HDC dc = GetDC(window);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(window, dc);
        return fromNative(c);
    }

private:
    static constexpr const char* className = "QpGuiTestWindow";

    // One top-level window serves every test of the run: under Wine without a
    // window manager, destroying a top-level window stalls for about two seconds,
    // while child windows come and go at once.
    static HWND sharedTopWindow() {
        static HWND top = nullptr;
        if (top && IsWindow(top)) {
            return top;
        }
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = className;
        RegisterClassA(&wc);
        top = CreateWindowExA(0, className, "qp gui test", WS_OVERLAPPED | WS_VISIBLE | WS_CLIPCHILDREN,
                              topLeftX, topLeftY, 640, 480, nullptr, nullptr, GetModuleHandleA(nullptr),
                              nullptr);
        pumpFor(50);
        return top;
    }

    HWND top_ = nullptr;
    HWND host_ = nullptr;
};

// A view that paints its whole closed rectangle in one colour and writes what
// happens to it into a shared log ("A draw", "B press", ...).
class RecordingView : public View {
public:
    RecordingView(const Rect& size, std::string name, Color color, std::vector<std::string>* log,
                  int* destroyed = nullptr)
        : View(size),
          name_(std::move(name)),
          color_(color),
          log_(log),
          destroyed_(destroyed) {}
    ~RecordingView() override {
        if (destroyed_) {
            ++*destroyed_;
        }
    }

    void draw(DrawContext* context) override {
        record("draw");
        context->setFillColor(color_);
        context->setLineColor(color_);
        context->fillRect(size_);
        context->drawRectOutline(size_);
        View::draw(context);
    }
    void mouseDown(DrawContext* context, Point where) override {
        record("press");
        lastPress = where;
        lastButtons = context ? context->pollMouseButtons() : -1;
    }
    std::int32_t keyDown(KeyCode&) override {
        record("key");
        return keyAnswer;
    }
    std::int32_t keyUp(KeyCode&) override {
        record("keyup");
        return keyAnswer;
    }
    bool wheel(DrawContext*, Point where, float distance) override {
        record("wheel");
        lastWheel = where;
        lastDistance = distance;
        return true;
    }
    bool drop(const char* const*, std::int32_t, std::int32_t, Point) override {
        record("drop");
        return dropAnswer;
    }
    void loseFocus(DrawContext*) override { record("loseFocus"); }
    bool attached(View* parent) override {
        record("attached");
        return View::attached(parent);
    }
    bool removed(View* parent) override {
        record("removed");
        return View::removed(parent);
    }

    Point lastPress{-1, -1};
    std::int32_t lastButtons = 0;
    Point lastWheel{-1, -1};
    float lastDistance = 0;
    std::int32_t keyAnswer = -1;
    bool dropAnswer = false;

private:
    void record(const char* what) {
        if (log_) {
            log_->push_back(name_ + " " + what);
        }
    }

    std::string name_;
    Color color_;
    std::vector<std::string>* log_;
    int* destroyed_;
};

class FakeOwner : public FrameOwner {
public:
    void beginEdit(std::int32_t tag) override { calls.push_back("begin " + std::to_string(tag)); }
    void endEdit(std::int32_t tag) override { calls.push_back("end " + std::to_string(tag)); }
    // Like the editor's wait, which sleeps while its next idle is not due.
    void wait() override {
        ++waits;
        if (waitSleepMs > 0) {
            Sleep(DWORD(waitSleepMs));
        }
    }
    KnobMode getKnobMode() const override { return knobMode; }

    std::vector<std::string> calls;
    int waits = 0;
    int waitSleepMs = 0;
    KnobMode knobMode = KnobMode::linear;
};

}  // namespace qp::test
