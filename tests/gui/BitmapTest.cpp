// Resource bitmaps drawn opaquely and with a key colour (through TransparentBlt
// and through the mask path, which must agree pixel for pixel), reference
// counting, and off-screen surfaces copied to a surface and to a real window.
#include <gtest/gtest.h>

#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/OffscreenContext.h"
#include "gui/TransparentBlitLibraryWin32.h"
#include "tests/gui/GuiTestSupport.h"

namespace qp::test {
namespace {

using test::patternPixel;
using test::Surface;

// Restores the transparent-blit entry point a test changed.
class EntryPointGuard {
public:
    EntryPointGuard()
        : saved_(transparentBlit()) {}
    ~EntryPointGuard() { setTransparentBlit(saved_); }

private:
    TransparentBlitProc saved_;
};

TEST(BitmapLoading, LoadsFromTheToolkitModuleAndFromAnExplicitModule) {
    Bitmap pattern(test::patternBitmapId);
    EXPECT_TRUE(pattern.isLoaded());
    EXPECT_EQ(pattern.getWidth(), test::patternWidth);
    EXPECT_EQ(pattern.getHeight(), test::patternHeight);
    EXPECT_EQ(pattern.getRefCount(), 1);
    EXPECT_EQ(pattern.getTransparentColor(), colorTransparent);

    Bitmap face(GetModuleHandleA(nullptr), test::faceBitmapId);
    EXPECT_EQ(face.getWidth(), test::faceWidth);
    EXPECT_EQ(face.getHeight(), test::faceHeight);
    // Only the low 16 bits name the resource.
    Bitmap high(0x10000 | test::faceBitmapId);
    EXPECT_EQ(high.getWidth(), test::faceWidth);
}

TEST(BitmapLoading, AMissingResourceGivesAnEmptyBitmapThatDrawsNothing) {
    Bitmap missing(test::missingBitmapId);
    EXPECT_FALSE(missing.isLoaded());
    EXPECT_EQ(missing.getWidth(), 0);
    EXPECT_EQ(missing.getHeight(), 0);
    Surface s(20, 20, colorMagenta);
    DrawContext context(nullptr, s.dc(), nullptr);
    missing.draw(&context, Rect(0, 0, 10, 10));
    missing.drawTransparent(&context, Rect(0, 0, 10, 10));
    EXPECT_EQ(s.firstColumnNot(colorMagenta), -1);
}

TEST(BitmapLoading, LoadsTheProductsFaceFromTheBuiltLibrary) {
    HMODULE library = LoadLibraryA("Quorrelphone.dll");
    if (!library) {
        GTEST_SKIP() << "Quorrelphone.dll is not built next to the tests";
    }
    constexpr int faceResource = 176;
    {
        Bitmap face(library, faceResource);
        if (!face.isLoaded()) {
            FreeLibrary(library);
            GTEST_SKIP() << "the library carries no face bitmap yet";
        }
        EXPECT_EQ(face.getWidth(), 309);
        EXPECT_EQ(face.getHeight(), 168);
    }
    FreeLibrary(library);
}

TEST(BitmapDrawing, OpaqueDrawCopiesTheSourceAreaToTheOffsetDestination) {
    Bitmap pattern(test::patternBitmapId);
    Surface s(30, 20, colorMagenta);
    DrawContext context(nullptr, s.dc(), nullptr);
    context.setOffset(Point(1, 1));
    pattern.draw(&context, Rect(5, 3, 13, 7), Point(4, 2));
    ASSERT_TRUE(test::everyPixelIs(s, [](int x, int y) {
        const bool covered = x >= 6 && x < 14 && y >= 4 && y < 8;
        return covered ? patternPixel(x - 6 + 4, y - 4 + 2) : colorMagenta;
    }));
}

// Draws the whole pattern at (2, 2) over magenta with the given key and returns
// the surface's pixels after checking them one by one.
std::vector<std::uint32_t> drawKeyed(Color key, Point offset = Point()) {
    Bitmap pattern(test::patternBitmapId);
    pattern.setTransparentColor(key);
    Surface s(24, 14, colorMagenta);
    {
        DrawContext context(nullptr, s.dc(), nullptr);
        context.setOffset(offset);
        pattern.drawTransparent(&context, Rect(2, 2, 2 + test::patternWidth - 3, 2 + test::patternHeight - 1),
                                Point(3, 1));
    }
    const int w = test::patternWidth - 3, h = test::patternHeight - 1;
    EXPECT_TRUE(test::everyPixelIs(s, [&](int x, int y) {
        const int bx = x - 2 - offset.h, by = y - 2 - offset.v;
        if (bx < 0 || bx >= w || by < 0 || by >= h) {
            return colorMagenta;
        }
        const Color source = patternPixel(bx + 3, by + 1);
        return source == key ? colorMagenta : source;
    }));
    return s.snapshot();
}

TEST(BitmapDrawing, TransparentDrawLeavesExactlyTheKeyedPixelsUntouchedOnBothPaths) {
    EntryPointGuard guard;
    {
        // A frame looks the platform's TransparentBlt up (Wine reports the NT family).
        Frame frame(Rect(0, 0, 10, 10), nullptr, nullptr);
        ASSERT_NE(transparentBlit(), nullptr);
        const auto blitWhite = drawKeyed(colorWhite);
        const auto blitGreen = drawKeyed(colorGreen, Point(1, 2));
        setTransparentBlit(nullptr);
        EXPECT_EQ(drawKeyed(colorWhite), blitWhite);
        EXPECT_EQ(drawKeyed(colorGreen, Point(1, 2)), blitGreen);
    }
}

TEST(BitmapDrawing, TheEntryPointIsDroppedWithTheLastFrameThatHeldItsLibrary) {
    EntryPointGuard guard;
    auto* first = new Frame(Rect(0, 0, 10, 10), nullptr, nullptr);
    auto* second = new Frame(Rect(0, 0, 10, 10), nullptr, nullptr);
    delete first;
    EXPECT_NE(transparentBlit(), nullptr) << "the second frame still holds msimg32";
    delete second;
    EXPECT_EQ(transparentBlit(), nullptr) << "no pointer into an unloaded library";
}

TEST(BitmapCounting, ReleaseAtZeroFreesTheNativeBitmap) {
    const auto before = native::liveCount(native::Kind::bitmap);
    auto* bitmap = new Bitmap(test::patternBitmapId);
    EXPECT_EQ(native::liveCount(native::Kind::bitmap), before + 1);
    bitmap->retain();
    EXPECT_EQ(bitmap->getRefCount(), 2);
    bitmap->release();
    EXPECT_EQ(bitmap->getRefCount(), 1);
    EXPECT_EQ(native::liveCount(native::Kind::bitmap), before + 1);
    bitmap->release();
    EXPECT_EQ(native::liveCount(native::Kind::bitmap), before);
}

TEST(Offscreen, StartsInItsBackgroundColourAndCopiesWithTheDestinationOffset) {
    const auto before = native::liveTotal();
    {
        OffscreenContext offscreen(nullptr, 12, 8, colorBlue);
        EXPECT_EQ(offscreen.getWidth(), 12);
        EXPECT_EQ(offscreen.getHeight(), 8);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 12; ++x) {
                ASSERT_EQ(test::fromNative(GetPixel(win32::hdc(offscreen.getDeviceContext()), x, y)),
                          colorBlue);
            }
        }
        offscreen.setFillColor(colorYellow);
        offscreen.fillRect(Rect(-1, -1, 4, 3));  // fills (0..3, 0..2)

        Surface s(30, 20, colorBlack);
        DrawContext context(nullptr, s.dc(), nullptr);
        context.setOffset(Point(2, 1));
        offscreen.copyTo(&context, Rect(10, 5, 16, 9), Point(2, 1));
        ASSERT_TRUE(test::everyPixelIs(s, [](int x, int y) {
            if (x < 12 || x >= 18 || y < 6 || y >= 10) {
                return colorBlack;
            }
            const int sx = x - 12 + 2, sy = y - 6 + 1;
            return (sx <= 3 && sy <= 2) ? colorYellow : colorBlue;
        }));
    }
    EXPECT_EQ(native::liveTotal(), before);
}

TEST(Offscreen, ASurfaceComposedOffScreenReachesAWindowInOneCopy) {
    test::TestWindows windows;
    Frame frame(Rect(0, 0, 100, 80), windows.host(), nullptr);
    test::TestWindows::pumpFor(30);
    OffscreenContext offscreen(&frame, 40, 30, colorRed);
    Bitmap pattern(test::patternBitmapId);
    pattern.draw(&offscreen, Rect(4, 4, 4 + test::patternWidth, 4 + test::patternHeight));

    HDC dc = GetDC(win32::hwnd(frame.getWindow()));
    {
        DrawContext context(&frame, dc, frame.getWindow());
        offscreen.copyTo(&context, Rect(10, 20, 50, 50));
    }
    ReleaseDC(win32::hwnd(frame.getWindow()), dc);
    EXPECT_EQ(test::TestWindows::windowPixel(win32::hwnd(frame.getWindow()), 10, 20), colorRed);
    EXPECT_EQ(test::TestWindows::windowPixel(win32::hwnd(frame.getWindow()), 49, 49), colorRed);
    for (int y = 0; y < test::patternHeight; ++y) {
        for (int x = 0; x < test::patternWidth; ++x) {
            ASSERT_EQ(test::TestWindows::windowPixel(win32::hwnd(frame.getWindow()), 14 + x, 24 + y),
                      patternPixel(x, y));
        }
    }
}

}  // namespace
}  // namespace qp::test
