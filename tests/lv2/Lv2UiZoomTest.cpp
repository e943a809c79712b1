// The bundle's X11 UI at its zoom steps, as an LV2 host drives it (Lv2UiHost.h):
// the step from the host's ui:scaleFactor or the desktop's Xft.dpi, the art's
// own picture of every step, and input that lands where the step draws.
#include <X11/Xatom.h>

#include <cstring>

#include "editor/art/Art.h"
#include "gui/Zoom.h"
#include "tests/lv2/Lv2UiHost.h"
#include "tools/art/BmpFile.h"

namespace {

using qp::zoomed;

// Both knobs at 0.5 show the strip's middle frame.
constexpr int kDefaultFrame = 45;

Picture preview(int step) {
    const qp::art::Picture art = qp::art::drawEditorPreview(step, kDefaultFrame, false);
    Picture picture{art.width, art.height, {}};
    for (std::size_t i = 0; i + 2 < art.rgb.size(); i += 3) {
        picture.pixels.push_back(unsigned(art.rgb[i]) << 16 | unsigned(art.rgb[i + 1]) << 8 | art.rgb[i + 2]);
    }
    return picture;
}

void writeBmp(const Picture& picture, const std::string& path) {
    qp::art::Picture art{picture.width, picture.height, {}};
    for (unsigned pixel : picture.pixels) {
        art.rgb.insert(art.rgb.end(),
                       {std::uint8_t(pixel >> 16), std::uint8_t(pixel >> 8), std::uint8_t(pixel)});
    }
    const std::vector<std::uint8_t> bytes = qp::art::encodeBmp(art);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class Lv2UiZoomTest : public Lv2UiTest {
protected:
    // The parent grows to hold the largest step, as a host's window would.
    void instantiateAt(float scale) {
        XResizeWindow(display, parent, 960, 540);
        hostScale = scale;
        ui = instantiate();
        ASSERT_NE(ui, nullptr);
        setPort(kSensPort, 0.5f);
        setPort(kBuzzPort, 0.5f);
        pump();
    }
    void cleanUp() {
        descriptor->cleanup(ui);
        ui = nullptr;
        log = {};
    }
    std::pair<int, int> windowSize() {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, Window(reinterpret_cast<std::uintptr_t>(widget)), &attributes);
        return {attributes.width, attributes.height};
    }
    void setDesktopDpi(const char* resources) {
        const Atom manager = XInternAtom(display, "RESOURCE_MANAGER", False);
        if (resources) {
            XChangeProperty(display, DefaultRootWindow(display), manager, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(resources), int(std::strlen(resources)));
        } else {
            XDeleteProperty(display, DefaultRootWindow(display), manager);
        }
        XSync(display, False);
    }
};

TEST_F(Lv2UiZoomTest, EveryStepIsTheArtsOwnPictureAtTheSizeItAsksTheHostFor) {
    std::filesystem::create_directories("../test-results");
    for (const int step : qp::kZoomSteps) {
        SCOPED_TRACE(step);
        instantiateAt(float(step) / 100.0f);
        const std::pair<int, int> size{zoomed(309, step), zoomed(168, step)};
        EXPECT_EQ(windowSize(), size);
        ASSERT_FALSE(log.sizes.empty());
        EXPECT_EQ(log.sizes.back(), size);
        const Picture shown = shot(size.first, size.second);
        const int differing = differingPixels(shown, preview(step), 0, 0, size.first, size.second);
        std::printf("%d %%: %d x %d, %d pixels differ from the art's preview\n", step, size.first,
                    size.second, differing);
        EXPECT_EQ(differing, 0);
        // For the Windows tree's test, which compares its editor with this one.
        writeBmp(shown, "../test-results/lv2-ui-zoom-" + std::to_string(step) + ".bmp");
        cleanUp();
    }
}

TEST_F(Lv2UiZoomTest, WithoutAHostScaleTheDesktopsXftDpiChoosesTheStep) {
    const struct {
        const char* resources;
        int step;
    } cases[] = {{"Xft.dpi:\t192\n", 200}, {"Xft.antialias:\t1\nXft.dpi:\t144\n", 150}, {nullptr, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        setDesktopDpi(c.resources);
        instantiateAt(0.0f);
        EXPECT_EQ(windowSize(), std::make_pair(zoomed(309, c.step), zoomed(168, c.step)));
        cleanUp();
    }
    setDesktopDpi(nullptr);
}

TEST_F(Lv2UiZoomTest, ADragAtTwoHundredPercentTakesTwiceThePixelsStepForStep) {
    // The value the host holds after each step of a drag up from the knob's middle.
    auto drag = [&](int step, int pixelsPerStep) {
        instantiateAt(float(step) / 100.0f);
        const qp::Rect knob = zoomed(qp::Rect(kSensX, kKnobY, kSensX + kKnobSize, kKnobY + kKnobSize), step);
        const int x = (knob.left + knob.right) / 2;
        const int y = (knob.top + knob.bottom) / 2;
        moveTo(x, y);
        button(true);
        std::vector<float> values;
        for (int i = 1; i <= 20; ++i) {
            moveTo(x, y - i * pixelsPerStep);
            values.push_back(log.writes.empty() ? 0.5f : log.writes.back().value);
        }
        button(false);
        cleanUp();
        return values;
    };
    const std::vector<float> unzoomed = drag(100, 1);
    EXPECT_FLOAT_EQ(unzoomed.back(), 0.6f) << "20 pixels of 200 for the range";
    EXPECT_EQ(drag(200, 2), unzoomed);
}

TEST_F(Lv2UiZoomTest, TheCommandMenuOpensFromTheScaledLogoAreaAndNowhereElse) {
    instantiateAt(2.0f);
    const qp::Rect area = zoomed(qp::Rect(12, 117, 240, 158), 200);
    const struct {
        int x, y;
        bool opens;
    } clicks[] = {{area.left, area.top, true},
                  {area.right - 1, area.bottom - 1, true},
                  {(area.left + area.right) / 2, (area.top + area.bottom) / 2, true},
                  {area.left - 2, area.top + 20, false},
                  {area.right + 2, area.top + 20, false},
                  {area.left + 20, area.top - 2, false},
                  {area.left + 20, area.bottom + 2, false},
                  // Where the 100 % area would be, inside the 200 % face but off its logo.
                  {100, 140, false}};
    for (const auto& c : clicks) {
        SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
        click(c.x, c.y);
        EXPECT_EQ(qp::test::popupWindowsShown(display) > 0, c.opens);
        key(XK_Escape);
        pump();
        ASSERT_EQ(qp::test::popupWindowsShown(display), 0);
    }
    cleanUp();
}

}  // namespace
