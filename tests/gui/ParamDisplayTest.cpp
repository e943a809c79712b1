#include <gtest/gtest.h>

#include <cstdio>

#include "gui/Bitmap.h"
#include "gui/ParamDisplay.h"
#include "tests/gui/ControlTestSupport.h"

namespace qp::test {
namespace {

class ParamDisplayDrawing : public ::testing::Test {
protected:
    ParamDisplayDrawing()
        : surface(60, 30, colorGreen),
          context(nullptr, surface.dc(), nullptr) {}

    ParamDisplay* make(std::int32_t style) {
        display = new ParamDisplay(Rect(5, 5, 55, 25), nullptr, style);
        display->setBackgroundColor(colorBlue);
        display->setFrameColor(colorYellow);
        display->setFontColor(colorWhite);
        return display;
    }
    void TearDown() override {
        if (display) {
            display->release();
        }
    }

    test::Surface surface;
    DrawContext context;
    ParamDisplay* display = nullptr;
};

TEST_F(ParamDisplayDrawing, ANeverDrawnDisplayStartsCleanAndDrawsNothing) {
    make(kDisplayNoDrawing);
    display->setDirty(false);
    ParamDisplay* fresh = new ParamDisplay(Rect(0, 0, 10, 10), nullptr, kDisplayNoDrawing);
    EXPECT_FALSE(fresh->isDirty());
    fresh->release();
    display->setValue(0.5f);
    EXPECT_TRUE(display->isDirty());
    const auto before = surface.snapshot();
    display->draw(&context);
    EXPECT_EQ(surface.snapshot(), before);
    EXPECT_FALSE(display->isDirty());
}

TEST_F(ParamDisplayDrawing, BackgroundIsFilledInsideAFrameOutline) {
    make(kDisplayNoText);
    display->draw(&context);
    EXPECT_EQ(surface.pixel(5, 5), colorYellow);
    EXPECT_EQ(surface.pixel(55, 25), colorYellow);
    EXPECT_EQ(surface.pixel(30, 15), colorBlue);
    EXPECT_EQ(surface.pixel(4, 15), colorGreen);
}

TEST_F(ParamDisplayDrawing, TwoColourBordersPutTheColoursOnOppositeSides) {
    make(kDisplayNoText | kDisplayBorderSunken);
    display->draw(&context);
    EXPECT_EQ(surface.pixel(5, 15), colorBlue) << "left: background colour";
    EXPECT_EQ(surface.pixel(30, 5), colorBlue) << "top";
    EXPECT_EQ(surface.pixel(55, 15), colorYellow) << "right: frame colour";
    EXPECT_EQ(surface.pixel(30, 25), colorYellow) << "bottom";
    display->release();
    display = nullptr;

    make(kDisplayNoText | kDisplayBorderRaised);
    display->draw(&context);
    EXPECT_EQ(surface.pixel(5, 15), colorYellow);
    EXPECT_EQ(surface.pixel(55, 15), colorBlue);
}

TEST_F(ParamDisplayDrawing, TheValueIsShownWithTwoDecimalsUnlessAConversionIsGiven) {
    make(0);
    display->setValue(0.5f);
    display->draw(&context);
    EXPECT_GT(surface.count(colorWhite, Rect(6, 6, 55, 25)), 0) << "\"0.50\" was drawn";

    static float seen = -1.0f;
    display->setValueToTextWithData(
        [](float value, char* text, void* data) {
            seen = value;
            std::snprintf(text, kDisplayTextSize, "%s", static_cast<const char*>(data));
        },
        const_cast<char*>(""));
    display->setValue(0.25f);
    display->draw(&context);
    EXPECT_FLOAT_EQ(seen, 0.25f);
    EXPECT_EQ(surface.count(colorWhite, Rect(6, 6, 55, 25)), 0) << "the conversion gave an empty text";
}

TEST_F(ParamDisplayDrawing, ShadowedTextDrawsTheShadowColourToo) {
    make(kDisplayShadowText);
    display->setShadowColor(colorRed);
    display->setValue(8.88f);
    display->draw(&context);
    EXPECT_GT(surface.count(colorRed, Rect(6, 6, 56, 26)), 0);
}

TEST(ParamDisplaySetters, MarkDirtyOnlyWhenTheValueDiffersComparingColoursByRgb) {
    ParamDisplay* display = new ParamDisplay(Rect(0, 0, 10, 10));
    display->setDirty(false);
    Color white = colorWhite;
    white.unused = 99;
    display->setFontColor(white);
    display->setFont(kFontMedium);
    display->setHorizontalAlign(kAlignCenter);
    display->setStyle(0);
    display->setTextFace(0);
    EXPECT_FALSE(display->isDirty());
    display->setTextTransparency(false);
    EXPECT_FALSE(display->isDirty()) << "only stored";
    display->setFrameColor(colorRed);
    EXPECT_TRUE(display->isDirty());
    display->setDirty(false);
    display->setFont(kFontSmall);
    EXPECT_TRUE(display->isDirty());
    EXPECT_EQ(display->getListener(), nullptr);
    EXPECT_EQ(display->getTag(), 0);
    display->release();
}

}  // namespace
}  // namespace qp::test
