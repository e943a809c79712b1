// The drawing context on real device contexts: which pixels each operation
// touches, the text placement, the fonts it selects, what it restores, and the
// live mouse state it reports.
#include <gtest/gtest.h>

#include <cstring>

#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/NativeObjectsWin32.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RealInput.h"

namespace qp::test {
namespace {

using test::Surface;

TEST(Geometry, RectanglesAreClosedForHitsAndOverlaps) {
    const Rect r(10, 20, 30, 40);
    EXPECT_EQ(r.width(), 20);
    EXPECT_EQ(r.height(), 20);
    EXPECT_TRUE(r.isInside(Point(10, 20)));
    EXPECT_TRUE(r.isInside(Point(30, 40)));
    EXPECT_FALSE(r.isInside(Point(31, 40)));
    EXPECT_FALSE(r.isInside(Point(30, 19)));
    EXPECT_TRUE(r.overlaps(Rect(30, 40, 50, 50)));  // touching corners overlap
    EXPECT_FALSE(r.overlaps(Rect(31, 0, 50, 50)));
    EXPECT_EQ(r.offsetBy(Point(-10, 5)), Rect(0, 25, 20, 45));
}

TEST(Geometry, ColoursBecomeNativeValuesRedInTheLowByte) {
    EXPECT_EQ(makeColor(1, 2, 3).toNative(), 0x030201u);
    EXPECT_EQ(colorTransparent, colorWhite);
    Color c = colorRed;
    c.unused = 99;
    EXPECT_EQ(c.toNative(), colorRed.toNative());
    EXPECT_TRUE(c.sameRgb(colorRed));
}

TEST(DrawContextDrawing, FillCoversExactlyTheInsideOfTheOutline) {
    Surface s(40, 30, colorBlack);
    {
        DrawContext context(nullptr, s.dc(), nullptr);
        const Rect r(5, 6, 20, 16);
        context.setFillColor(colorBlue);
        context.fillRect(r);
        context.setLineColor(colorRed);
        context.drawRectOutline(r);
    }
    ASSERT_TRUE(test::everyPixelIs(s, [](int x, int y) {
        const bool border =
            (x >= 5 && x <= 20 && (y == 6 || y == 16)) || (y >= 6 && y <= 16 && (x == 5 || x == 20));
        const bool inside = x > 5 && x < 20 && y > 6 && y < 16;
        return border ? colorRed : inside ? colorBlue : colorBlack;
    }));
}

TEST(DrawContextDrawing, FillAloneLeavesOnePixelOnEverySide) {
    Surface s(20, 20, colorBlack);
    DrawContext context(nullptr, s.dc(), nullptr);
    context.setFillColor(colorYellow);
    context.fillRect(Rect(2, 2, 10, 10));
    EXPECT_EQ(s.pixel(2, 5), colorBlack);
    EXPECT_EQ(s.pixel(5, 2), colorBlack);
    EXPECT_EQ(s.pixel(3, 3), colorYellow);
    EXPECT_EQ(s.pixel(9, 9), colorYellow);
    EXPECT_EQ(s.pixel(10, 5), colorBlack);
    EXPECT_EQ(s.pixel(5, 10), colorBlack);
}

TEST(DrawContextDrawing, OffsetMovesEveryOperation) {
    Surface s(30, 30, colorBlack);
    DrawContext context(nullptr, s.dc(), nullptr);
    context.setOffset(Point(10, 5));
    context.setLineColor(colorGreen);
    context.moveTo(Point(0, 0));
    context.lineTo(Point(5, 0));  // end pixel left out
    EXPECT_EQ(s.pixel(10, 5), colorGreen);
    EXPECT_EQ(s.pixel(14, 5), colorGreen);
    EXPECT_EQ(s.pixel(15, 5), colorBlack);
    EXPECT_EQ(s.pixel(0, 0), colorBlack);
}

TEST(DrawContextDrawing, OnAZoomedFrameLinesAreWiderAndFontsLarger) {
    // The same pixels as the X11 side's table (tests/x11/DrawingTest.cpp).
    Surface s(40, 30, colorBlack);
    Frame frame(Rect(0, 0, 40, 30), nullptr, nullptr);
    frame.setZoom(200);
    DrawContext context(&frame, s.dc(), nullptr);
    context.setLineColor(colorGreen);
    context.moveTo(Point(10, 5));
    context.lineTo(Point(15, 5));
    context.lineTo(Point(15, 9));
    ASSERT_TRUE(test::everyPixelIs(s, [](int x, int y) {
        const bool across = x >= 10 && x < 15 && y >= 5 && y < 7;
        const bool down = x >= 15 && x < 17 && y >= 5 && y < 9;
        return across || down ? colorGreen : colorBlack;
    }));
    context.selectFont(kFontMedium);
    const std::int32_t atTwoHundred = context.getFontSize();
    DrawContext unzoomed(nullptr, s.dc(), nullptr);
    unzoomed.selectFont(kFontMedium);
    EXPECT_EQ(atTwoHundred, 2 * unzoomed.getFontSize());
}

TEST(DrawContextDrawing, DottedLineStyleMakesADottedPen) {
    Surface s(30, 30);
    DrawContext context(nullptr, s.dc(), nullptr);
    context.setLineColor(colorCyan);
    context.setLineStyle(kLineDotted);
    LOGPEN pen;
    ASSERT_TRUE(GetObjectA(GetCurrentObject(s.dc(), OBJ_PEN), sizeof(pen), &pen));
    EXPECT_EQ(pen.lopnStyle, UINT(PS_DOT));
    EXPECT_EQ(test::fromNative(pen.lopnColor), colorCyan);
    context.setLineStyle(LineStyle(5));  // anything but dotted is solid
    ASSERT_TRUE(GetObjectA(GetCurrentObject(s.dc(), OBJ_PEN), sizeof(pen), &pen));
    EXPECT_EQ(pen.lopnStyle, UINT(PS_SOLID));
}

// Ink columns of text drawn by the context compared with the same text drawn by
// the platform directly: left alignment starts one pixel further right, the other
// alignments use the rectangle unchanged.
class TextPlacement : public ::testing::Test {
protected:
    static constexpr const char* text = "IIl";

    void drawWithContext(Surface& s, TextAlign align) {
        DrawContext context(nullptr, s.dc(), nullptr);
        context.setFontColor(colorWhite);
        context.selectFont(kFontMedium);
        context.drawText(text, box, 0, align);
    }
    void drawDirect(Surface& s, RECT r, UINT format) {
        DrawContext context(nullptr, s.dc(), nullptr);  // the same font, colour and mode
        context.setFontColor(colorWhite);
        context.selectFont(kFontMedium);
        DrawTextA(s.dc(), text, -1, &r, format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }

    const Rect box{20, 4, 100, 24};
};

TEST_F(TextPlacement, LeftAlignedTextStartsOnePixelInFromTheEdge) {
    Surface mine(120, 30), direct(120, 30);
    drawWithContext(mine, kAlignLeft);
    drawDirect(direct, RECT{21, 4, 100, 24}, DT_LEFT);
    ASSERT_NE(mine.firstColumnNot(colorBlack), -1) << "no text was drawn";
    EXPECT_EQ(mine.snapshot(), direct.snapshot());
    Surface unmoved(120, 30);
    drawDirect(unmoved, RECT{20, 4, 100, 24}, DT_LEFT);
    EXPECT_EQ(mine.firstColumnNot(colorBlack), unmoved.firstColumnNot(colorBlack) + 1);
}

TEST_F(TextPlacement, CentredAndRightAlignedTextUseTheRectangleUnchanged) {
    Surface centred(120, 30), centredDirect(120, 30), right(120, 30), rightDirect(120, 30);
    drawWithContext(centred, kAlignCenter);
    drawDirect(centredDirect, RECT{20, 4, 100, 24}, DT_CENTER);
    drawWithContext(right, kAlignRight);
    drawDirect(rightDirect, RECT{20, 4, 100, 24}, DT_RIGHT);
    ASSERT_NE(right.lastColumnNot(colorBlack), -1);
    EXPECT_EQ(centred.snapshot(), centredDirect.snapshot());
    EXPECT_EQ(right.snapshot(), rightDirect.snapshot());
    EXPECT_LE(right.lastColumnNot(colorBlack), 99);
    EXPECT_GT(right.lastColumnNot(colorBlack), centred.lastColumnNot(colorBlack));
}

TEST(DrawContextText, OpaqueTextFillsItsCellWithTheFillColourAndTransparentDoesNot) {
    Surface opaque(60, 20, colorBlack), clear(60, 20, colorBlack);
    for (Surface* s : {&opaque, &clear}) {
        DrawContext context(nullptr, s->dc(), nullptr);
        context.setFillColor(colorBlue);
        context.setFontColor(colorWhite);
        context.selectFont(kFontSmall);
        context.drawText("x", Rect(0, 0, 60, 20), s == &opaque ? 1 : 0, kAlignCenter);
        EXPECT_EQ(GetBkMode(s->dc()), TRANSPARENT) << "mode is restored after drawing";
    }
    EXPECT_EQ(opaque.pixel(30, 10 - 8), colorBlack) << "only the text cell is filled";
    bool anyBlueInOpaque = false, anyBlueInClear = false;
    for (int x = 0; x < 60; ++x) {
        anyBlueInOpaque |= opaque.pixel(x, 10) == colorBlue;
        anyBlueInClear |= clear.pixel(x, 10) == colorBlue;
    }
    EXPECT_TRUE(anyBlueInOpaque);
    EXPECT_FALSE(anyBlueInClear);
}

TEST(DrawContextText, NoTextDrawsNothing) {
    Surface s(20, 20, colorBlack);
    DrawContext context(nullptr, s.dc(), nullptr);
    context.drawText(nullptr, Rect(0, 0, 20, 20), 1);
    EXPECT_EQ(s.firstColumnNot(colorBlack), -1);
}

LOGFONTA selectedFont(HDC dc) {
    LOGFONTA font = {};
    GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof(font), &font);
    return font;
}

TEST(DrawContextFonts, OutOfRangeIdsFallBackToTheBoldSystemFont) {
    Surface s(10, 10);
    DrawContext context(nullptr, s.dc(), nullptr);
    for (std::int32_t id : {8, -1, 1000}) {
        context.selectFont(FontId(id));
        EXPECT_EQ(context.getFontId(), kFontSystem);
        EXPECT_EQ(context.getFontSize(), 12);
        const LOGFONTA font = selectedFont(s.dc());
        EXPECT_STREQ(font.lfFaceName, "Arial");
        EXPECT_EQ(font.lfHeight, -12);
        EXPECT_EQ(font.lfWeight, FW_BOLD) << "the system font is bold whatever the style";
    }
}

TEST(DrawContextFonts, TableSizesStylesAndTheSymbolFace) {
    Surface s(10, 10);
    DrawContext context(nullptr, s.dc(), nullptr);
    context.selectFont(kFontHuge);
    LOGFONTA font = selectedFont(s.dc());
    EXPECT_EQ(font.lfHeight, -18);
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    EXPECT_EQ(font.lfPitchAndFamily, VARIABLE_PITCH | FF_SWISS);

    context.selectFont(kFontTiny, 20, kFontStyleBold | kFontStyleItalic | kFontStyleUnderline);
    font = selectedFont(s.dc());
    EXPECT_EQ(font.lfHeight, -20);
    EXPECT_EQ(context.getFontSize(), 20);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_TRUE(font.lfItalic);
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);

    context.selectFont(kFontSymbol);
    font = selectedFont(s.dc());
    EXPECT_STREQ(font.lfFaceName, "Symbol");
    EXPECT_EQ(font.lfHeight, -13);
    EXPECT_EQ(font.lfPitchAndFamily, DEFAULT_PITCH | FF_DECORATIVE);
}

TEST(DrawContextLifetime, DestructionRestoresTheDeviceContextsObjectsAndFreesItsOwn) {
    Surface s(10, 10);
    HGDIOBJ pen = GetCurrentObject(s.dc(), OBJ_PEN);
    HGDIOBJ brush = GetCurrentObject(s.dc(), OBJ_BRUSH);
    HGDIOBJ font = GetCurrentObject(s.dc(), OBJ_FONT);
    const auto before = native::liveTotal();
    {
        DrawContext context(nullptr, s.dc(), nullptr);
        EXPECT_EQ(native::liveCount(native::Kind::pen), 1);
        EXPECT_EQ(native::liveCount(native::Kind::brush), 1);
        for (int i = 0; i < 5; ++i) {
            context.setLineColor(colorRed);
            context.setFillColor(colorBlue);
            context.selectFont(kFontLarge);
        }
        EXPECT_EQ(native::liveCount(native::Kind::pen), 1) << "one pen per context at any time";
        EXPECT_EQ(native::liveCount(native::Kind::brush), 1);
        EXPECT_EQ(native::liveCount(native::Kind::font), 1);
        EXPECT_NE(GetCurrentObject(s.dc(), OBJ_PEN), pen);
    }
    EXPECT_EQ(GetCurrentObject(s.dc(), OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(s.dc(), OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(s.dc(), OBJ_FONT), font);
    EXPECT_EQ(native::liveTotal(), before);
}

TEST(DrawContextLifetime, WithoutADeviceContextNothingIsMadeUntilAColourIsSet) {
    const auto before = native::liveTotal();
    DrawContext context(nullptr, nullptr, nullptr);
    EXPECT_EQ(native::liveTotal(), before);
    EXPECT_EQ(context.getLineColor(), colorWhite);
    EXPECT_EQ(context.getFillColor(), colorBlack);
    EXPECT_EQ(context.getFontColor(), colorWhite);
    context.setLineColor(colorRed);
    EXPECT_EQ(native::liveCount(native::Kind::pen), 1);
}

TEST(DrawContextMouse, LocationIsRelativeToTheWindowAsItWasWhenTheContextWasMade) {
    test::TestWindows windows;
    SetCursorPos(300, 200);
    POINT cursor;
    GetCursorPos(&cursor);

    DrawContext screen(nullptr, nullptr, nullptr);
    Point where;
    screen.pollMouseLocation(where);
    EXPECT_EQ(where, Point(cursor.x, cursor.y)) << "no window: screen coordinates";

    DrawContext inHost(nullptr, nullptr, windows.host());
    const POINT origin = test::TestWindows::screenOrigin(windows.host());
    inHost.pollMouseLocation(where);
    EXPECT_EQ(where, Point(cursor.x - origin.x, cursor.y - origin.y));
    EXPECT_EQ(inHost.getScreenOffset(), Point(origin.x, origin.y));
}

TEST(DrawContextMouse, ButtonsAndModifiersComeFromTheLiveKeyState) {
    test::TestWindows windows;
    DrawContext context(nullptr, nullptr, nullptr);
    std::vector<std::int32_t> seen;
    auto look = [&] { seen.push_back(context.pollMouseButtons()); };
    test::RealInput input;
    input.moveTo(400, 300)
        .then(look)
        .press()
        .then(look)
        .keyDown(VK_CONTROL)
        .then(look)
        .keyDown(VK_SHIFT)
        .press(test::MouseButton::right)
        .then(look)
        .release(test::MouseButton::right)
        .keyUp(VK_SHIFT)
        .keyUp(VK_CONTROL)
        .keyDown(VK_MENU)
        .then(look)
        .keyUp(VK_MENU)
        .release()
        .press(test::MouseButton::middle)
        .then(look)
        .release(test::MouseButton::middle)
        .then(look);
    ASSERT_TRUE(input.runWhilePumping());
    const std::vector<std::int32_t> expected = {
        0,
        kButtonLeft,
        kButtonsForDefaultValue,
        kButtonLeft | kButtonRight | kModShift | kModControl,
        kButtonLeft | kModAlt,
        kButtonMiddle,
        0,
    };
    EXPECT_EQ(seen, expected);
}

TEST(DrawContextMouse, WithSwappedButtonsThePhysicalRightButtonIsTheLogicalLeft) {
    test::TestWindows windows;
    DrawContext context(nullptr, nullptr, nullptr);
    const bool wasSwapped = swappedButtons();
    setSwappedButtons(true);
    std::vector<std::int32_t> seen;
    test::RealInput input;
    input.moveTo(400, 300)
        .press(test::MouseButton::right)
        .then([&] { seen.push_back(context.pollMouseButtons()); })
        .release(test::MouseButton::right)
        .press(test::MouseButton::left)
        .then([&] { seen.push_back(context.pollMouseButtons()); })
        .release(test::MouseButton::left);
    const bool finished = input.runWhilePumping();
    setSwappedButtons(wasSwapped);
    ASSERT_TRUE(finished);
    EXPECT_EQ(seen, (std::vector<std::int32_t>{kButtonLeft, kButtonRight}));
}

}  // namespace
}  // namespace qp::test
