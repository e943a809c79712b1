// Every native object a context, a bitmap or a frame makes is deleted exactly
// once: the live counts of the toolkit's counted wrappers stay flat over many
// draw cycles and many frame lifetimes, on the normal paths and the unusual ones.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "gui/Bitmap.h"
#include "gui/Control.h"
#include "gui/Frame.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/OffscreenContext.h"
#include "gui/TransparentBlitLibraryWin32.h"
#include "tests/gui/GuiTestSupport.h"

namespace qp::test {
namespace {

using native::Kind;
using Counts = std::array<std::int32_t, std::size_t(Kind::count)>;

Counts liveCounts() {
    Counts counts{};
    for (std::size_t k = 0; k < counts.size(); ++k) {
        counts[k] = native::liveCount(Kind(k));
    }
    return counts;
}

std::string describe(const Counts& counts) {
    static const char* names[] = {"pen",    "brush", "font",    "bitmap",      "memoryDC", "windowDC",
                                  "window", "menu",  "library", "windowClass", "oleInit"};
    std::string text;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        text += std::string(names[k]) + "=" + std::to_string(counts[k]) + " ";
    }
    return text;
}

TEST(NativeObjectCounting, TheWrappersCountByKindAndIgnoreStockObjects) {
    const Counts before = liveCounts();
    HPEN pen = native::createPen(PS_SOLID, 1, 0);
    HBRUSH brush = native::createSolidBrush(0);
    EXPECT_EQ(native::liveCount(Kind::pen), before[std::size_t(Kind::pen)] + 1);
    EXPECT_EQ(native::liveCount(Kind::brush), before[std::size_t(Kind::brush)] + 1);
    EXPECT_TRUE(native::deleteObject(pen));
    EXPECT_TRUE(native::deleteObject(brush));
    EXPECT_FALSE(native::deleteObject(pen)) << "a second delete is refused and not counted";
    native::deleteObject(GetStockObject(BLACK_PEN));
    native::deleteObject(nullptr);
    EXPECT_EQ(liveCounts(), before);
}

// A control that draws with everything a context offers, its bitmap both ways,
// and an off-screen composite, like the real controls do.
class BusyControl : public Control {
public:
    BusyControl(const Rect& size, Bitmap* background)
        : Control(size, nullptr, 1, background) {}
    void draw(DrawContext* context) override {
        context->setFillColor(colorBlue);
        context->setLineColor(colorWhite);
        context->setLineStyle(kLineDotted);
        context->fillRect(size_);
        context->drawRectOutline(size_);
        context->selectFont(kFontSmall, 0, kFontStyleBold);
        context->setFontColor(colorYellow);
        context->drawText("0.50", size_, 1, kAlignRight);
        getBackground()->drawTransparent(context, size_);
        OffscreenContext offscreen(getFrame(), size_.width(), size_.height(), colorGreen);
        getBackground()->draw(&offscreen, Rect(0, 0, size_.width(), size_.height()));
        offscreen.copyTo(context, size_);
        setDirty(false);
    }
};

TEST(NativeObjectCounting, ThousandDrawCyclesLeaveNothingBehind) {
    auto* pattern = new Bitmap(test::patternBitmapId);
    pattern->setTransparentColor(colorGreen);
    TransparentBlitProc platformBlit = nullptr;
    {
        Frame loader(Rect(), nullptr, nullptr);
        platformBlit = transparentBlit();
        ASSERT_NE(platformBlit, nullptr);
        test::Surface surface(64, 32);
        const Counts before = liveCounts();
        for (int cycle = 0; cycle < 1000; ++cycle) {
            // Half the cycles take the mask path.
            setTransparentBlit(cycle % 2 ? platformBlit : nullptr);
            DrawContext context(nullptr, surface.dc(), nullptr);
            context.setLineColor(colorRed);
            context.setFillColor(colorBlack);
            context.selectFont(FontId(cycle % 9));
            context.drawText("text", Rect(0, 0, 64, 16), std::int16_t(cycle % 2), TextAlign(cycle % 3));
            pattern->draw(&context, Rect(0, 0, 16, 8));
            pattern->drawTransparent(&context, Rect(16, 0, 32, 8));
            OffscreenContext offscreen(nullptr, 20, 10, colorCyan);
            offscreen.setLineColor(colorMagenta);
            offscreen.drawRectOutline(Rect(0, 0, 19, 9));
            offscreen.copyTo(&context, Rect(30, 10, 50, 20));
        }
        setTransparentBlit(platformBlit);
        const Counts after = liveCounts();
        std::printf("live native objects before 1000 draw cycles: %s\n", describe(before).c_str());
        std::printf("live native objects after  1000 draw cycles: %s\n", describe(after).c_str());
        EXPECT_EQ(after, before);
    }
    pattern->release();
}

// One editor session in miniature: a frame with a background and controls, its
// first paint, idle redraws, presses, wheel, a modal view and a redraw request.
void oneFrameLifetime(HWND host, Bitmap* face, Bitmap* pattern, bool hostDestroysWindowFirst,
                      test::TestWindows& windows) {
    test::FakeOwner owner;
    auto* frame = new Frame(Rect(0, 0, 120, 90), host, &owner);
    frame->setBackground(face);
    auto* first = new BusyControl(Rect(5, 5, 45, 25), pattern);
    auto* second = new BusyControl(Rect(30, 20, 90, 60), pattern);
    frame->addView(first);
    frame->addView(second);
    frame->addView(new test::RecordingView(Rect(0, 70, 120, 90), "strip", colorGrey, nullptr));
    UpdateWindow(win32::hwnd(frame->getWindow()));
    second->setValue(0.7f);
    frame->idle();
    SendMessageA(win32::hwnd(frame->getWindow()), WM_LBUTTONDOWN, 0, MAKELPARAM(40, 30));
    frame->wheel(nullptr, Point(), 1.0f);
    test::RecordingView modal(Rect(10, 10, 60, 40), "modal", colorWhite, nullptr);
    modal.retain();
    frame->setModalView(&modal);
    frame->idle();
    frame->setModalView(nullptr);
    frame->redrawView(nullptr);
    frame->setEditView(first);
    frame->removeView(second, true);
    if (hostDestroysWindowFirst) {
        windows.destroyHost();
    }
    delete frame;
}

TEST(NativeObjectCounting, HundredFrameLifetimesLeaveNothingBehind) {
    auto* face = new Bitmap(test::faceBitmapId);
    auto* pattern = new Bitmap(test::patternBitmapId);
    test::TestWindows windows(140, 100);
    const Counts before = liveCounts();
    for (int cycle = 0; cycle < 100; ++cycle) {
        oneFrameLifetime(windows.host(), face, pattern, false, windows);
    }
    const Counts after = liveCounts();
    std::printf("live native objects before 100 frame lifetimes: %s\n", describe(before).c_str());
    std::printf("live native objects after  100 frame lifetimes: %s\n", describe(after).c_str());
    EXPECT_EQ(after, before);
    EXPECT_EQ(face->getRefCount(), 1);
    EXPECT_EQ(pattern->getRefCount(), 1);
    face->release();
    pattern->release();
}

TEST(NativeObjectCounting, FramesWhoseHostDestroysTheWindowFirstLeaveNothingBehind) {
    auto* face = new Bitmap(test::faceBitmapId);
    auto* pattern = new Bitmap(test::patternBitmapId);
    const Counts before = liveCounts();
    for (int cycle = 0; cycle < 20; ++cycle) {
        test::TestWindows windows(140, 100);
        oneFrameLifetime(windows.host(), face, pattern, true, windows);
    }
    EXPECT_EQ(liveCounts(), before) << describe(liveCounts());
    face->release();
    pattern->release();
}

}  // namespace
}  // namespace qp::test
