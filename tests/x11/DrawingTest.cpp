// The X11 drawing context, off-screen surface and bitmaps give the pixels the
// Windows ones give: each case is one of tests/gui's assertions on GDI, drawn
// here into an OffscreenContext (a cairo image surface). No display needed.
#include <functional>
#include <set>

#include "tests/x11/X11TestSupport.h"
// clang-format off
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/GuiModule.h"
#include "gui/OffscreenContext.h"
#include "gui/ResourcesX11.h"
#include "resources/ResourceIds.h"
// clang-format on

extern const qp::x11::ResourceTable qpProductBitmaps;

namespace qp::test {
namespace {

// gui_tests.rc's pattern.bmp (the suite's default table) and its rule, as in
// tests/gui/GuiTestSupport.h.
constexpr int kPatternId = 101, kPatternWidth = 16, kPatternHeight = 8;
Color patternPixel(int x, int y) {
    const int kind = (x + y) % 3;
    return kind == 0   ? colorGreen
           : kind == 1 ? colorWhite
                       : makeColor(std::uint8_t(x * 16), std::uint8_t(y * 30), 200);
}

bool inside(int x, int y, int left, int top, int right, int bottom) {
    return x >= left && x < right && y >= top && y < bottom;
}

void* product() { return const_cast<x11::ResourceTable*>(&qpProductBitmaps); }

struct DrawCase {
    const char* name;
    Color background;
    std::function<void(OffscreenContext&)> draw;
    std::function<Color(int, int)> expected;
};

const DrawCase kDrawCases[] = {
    {"fill then outline: the fill is exactly the outline's inside", colorBlack,
     [](OffscreenContext& c) {
         c.setFillColor(colorBlue);
         c.fillRect(Rect(5, 6, 20, 16));
         c.setLineColor(colorRed);
         c.drawRectOutline(Rect(5, 6, 20, 16));
     },
     [](int x, int y) {
         return inside(x, y, 6, 7, 20, 16) ? colorBlue : inside(x, y, 5, 6, 21, 17) ? colorRed : colorBlack;
     }},
    {"the offset moves lines, which leave their end pixel out", colorBlack,
     [](OffscreenContext& c) {
         c.setOffset(Point(10, 5));
         c.setLineColor(colorGreen);
         c.moveTo(Point(0, 0));
         c.lineTo(Point(5, 0));
     },
     [](int x, int y) { return y == 5 && x >= 10 && x < 15 ? colorGreen : colorBlack; }},
    {"on a frame at 200 % lines are two pixels across their shorter axis", colorBlack,
     [](OffscreenContext& c) {
         static Frame frame(Rect(0, 0, 40, 30), nullptr, nullptr);
         frame.setZoom(200);
         OffscreenContext zoomed(&frame, 40, 30, colorBlack);
         zoomed.setLineColor(colorGreen);
         zoomed.moveTo(Point(10, 5));
         zoomed.lineTo(Point(15, 5));
         zoomed.lineTo(Point(15, 9));
         zoomed.copyTo(&c, Rect(0, 0, 40, 30));
     },
     [](int x, int y) {
         return inside(x, y, 10, 5, 15, 7) || inside(x, y, 15, 5, 17, 9) ? colorGreen : colorBlack;
     }},
    {"a dotted outline restarts its dots at each corner (recorded from GDI)", colorBlack,
     [](OffscreenContext& c) {
         c.setLineColor(colorWhite);
         c.setLineStyle(kLineDotted);
         c.drawRectOutline(Rect(2, 3, 12, 10));
     },
     [](int x, int y) {
         static const std::set<std::pair<int, int>> lit = {
             {2, 3}, {3, 3}, {4, 3},  {8, 3},  {9, 3},  {10, 3}, {12, 3}, {2, 4},   {12, 4},  {12, 5},
             {2, 8}, {2, 9}, {12, 9}, {2, 10}, {4, 10}, {5, 10}, {6, 10}, {10, 10}, {11, 10}, {12, 10}};
         return lit.count({x, y}) ? colorWhite : colorBlack;
     }},
    {"an opaque bitmap copies the source area to the offset destination", colorMagenta,
     [](OffscreenContext& c) {
         Bitmap pattern(kPatternId);
         c.setOffset(Point(1, 1));
         pattern.draw(&c, Rect(5, 3, 13, 7), Point(4, 2));
     },
     [](int x, int y) { return inside(x, y, 6, 4, 14, 8) ? patternPixel(x - 2, y - 2) : colorMagenta; }},
    {"a keyed bitmap leaves exactly the key colour's pixels untouched", colorMagenta,
     [](OffscreenContext& c) {
         Bitmap pattern(kPatternId);
         pattern.setTransparentColor(colorGreen);
         c.setOffset(Point(1, 2));
         pattern.drawTransparent(&c, Rect(2, 2, 2 + kPatternWidth - 3, 2 + kPatternHeight - 1), Point(3, 1));
     },
     [](int x, int y) {
         const Color source = patternPixel(x, y - 3);
         return inside(x, y, 3, 4, 16, 11) && !(source == colorGreen) ? source : colorMagenta;
     }},
    {"a surface copies the area at its source point to the offset destination", colorBlack,
     [](OffscreenContext& c) {
         OffscreenContext source(nullptr, 10, 10, colorRed);
         source.setFillColor(colorBlue);
         source.fillRect(Rect(3, 3, 6, 6));  // 4,4 .. 5,5
         c.setOffset(Point(2, 0));
         source.copyTo(&c, Rect(10, 10, 14, 14), Point(3, 3));
     },
     [](int x, int y) {
         return inside(x, y, 13, 11, 15, 13)   ? colorBlue
                : inside(x, y, 12, 10, 16, 14) ? colorRed
                                               : colorBlack;
     }},
};

TEST(X11Drawing, EveryPrimitiveSetsTheSamePixelsAsOnWindows) {
    for (const DrawCase& c : kDrawCases) {
        SCOPED_TRACE(c.name);
        OffscreenContext context(nullptr, 40, 30, c.background);
        c.draw(context);
        EXPECT_TRUE(everyPixelIs(surfacePixels(context.getSurface()), 40, c.expected));
    }
}

TEST(X11Bitmaps, TheProductsPicturesLoadWithTheirWindowsSizesFromTheirLow16BitIds) {
    const int pictures[][3] = {
        {kFaceBitmapId, 309, 168}, {kAboutBitmapId, 218, 77}, {kKnobStripBitmapId, 98, 8918}};
    for (const auto& p : pictures) {
        Bitmap bitmap(product(), 0x10000 | p[0]);
        EXPECT_EQ(bitmap.getWidth(), p[1]);
        EXPECT_EQ(bitmap.getHeight(), p[2]);
    }
    EXPECT_FALSE(Bitmap(product(), 4321).isLoaded());
    EXPECT_EQ(guiModule(), x11::defaultResources()) << "the suite's own table is the toolkit's module";
}

TEST(X11Bitmaps, AKnobFrameDrawnKeyedShowsTheBackgroundExactlyWhereTheStripIsGreen) {
    Bitmap strip(product(), kKnobStripBitmapId);
    constexpr int side = 98, top = 45 * side;
    OffscreenContext opaque(nullptr, side, side, colorBlack), keyed(nullptr, side, side, colorMagenta);
    strip.draw(&opaque, Rect(0, 0, side, side), Point(0, top));
    strip.setTransparentColor(colorGreen);
    strip.drawTransparent(&keyed, Rect(0, 0, side, side), Point(0, top));
    const std::vector<Color> picture = surfacePixels(opaque.getSurface());
    const auto green = std::count(picture.begin(), picture.end(), colorGreen);
    EXPECT_GT(green, side * side / 10) << "the frame has key-coloured surroundings";
    EXPECT_LT(green, side * side) << "and a knob";
    EXPECT_TRUE(everyPixelIs(surfacePixels(keyed.getSurface()), side, [&](int x, int y) {
        const Color source = picture[std::size_t(y * side + x)];
        return source == colorGreen ? colorMagenta : source;
    }));
}

}  // namespace
}  // namespace qp::test
