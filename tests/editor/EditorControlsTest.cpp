// The editor's own controls drawn into memory and driven without a window: the
// learn overlay's pass-through and wheel, the about box's picture and caption,
// the step switch's positions and the film-strip slider's frames.
#include <gtest/gtest.h>

#include <string>

#include "editor/AboutBox.h"
#include "editor/FilmStripSlider.h"
#include "editor/LearnOverlay.h"
#include "editor/StepSwitch.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "resources/ResourceIds.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/support/Surface.h"

namespace qp::test {
namespace {

constexpr int kStripFrame = 98;
constexpr int kStripFrames = 91;

// What a bitmap drawn plainly from source into the rectangle gives on a fresh surface.
std::vector<std::uint32_t> reference(Bitmap& bitmap, const Rect& at, Point source, int width, int height,
                                     bool transparent = false) {
    Surface surface(width, height, kSurfaceFill);
    if (transparent) {
        bitmap.drawTransparent(surface.context(), at, source);
    } else {
        bitmap.draw(surface.context(), at, source);
    }
    return surface.pixels();
}

// ---- LearnOverlay ---------------------------------------------------------------

TEST(LearnOverlay, APressWithoutTheRightButtonGoesToTheControlBeneath) {
    RecordingControl knob(Rect(10, 10, 50, 50), 1);
    RecordingListener listener;
    auto* overlay = new LearnOverlay(Rect(10, 10, 50, 50), &listener, 13, &knob);
    Surface surface(60, 60, kSurfaceFill);
    // Nothing is held down here, so this press is no right click.
    overlay->mouseDown(surface.context(), Point(20, 30));
    ASSERT_EQ(knob.presses.size(), 1u);
    EXPECT_EQ(knob.presses[0], Point(20, 30));
    EXPECT_TRUE(listener.changes.empty());
    EXPECT_EQ(overlay->getTemporaryMenu(), nullptr);
    overlay->release();
}

// The host closes the editor from a timer while the learn menu is up.
BuzzEditor* closingEditor = nullptr;
void CALLBACK closeTheEditor(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    closingEditor->close();
    EndMenu();
}

TEST(LearnOverlay, TheEditorClosedWhileTheLearnMenuIsUpTakesTheMenuAndOverlaySafely) {
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 320, 180, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    EditedEffect fx;
    ASSERT_EQ(fx.editor->open(host), 1);
    Frame* frame = fx.editor->getFrame();
    ASSERT_NE(frame->getWindow(), nullptr);
    closingEditor = fx.editor;
    SetTimer(nullptr, 0, 100, closeTheEditor);
    {
        // A right press as its window message reports it.
        DrawContext context(frame, nullptr, frame->getWindow());
        context.reportPress(kButtonRight);
        fx.editor->entry(0).learnOverlay->mouseDown(&context, Point(165, 63));
    }
    EXPECT_EQ(fx.editor->getFrame(), nullptr);
    EXPECT_TRUE(fx.host.callsWith(audioMasterAutomate).empty()) << "nothing chosen, nothing learnt";
    ASSERT_EQ(fx.editor->open(host), 1);
    EXPECT_NE(fx.editor->entry(0).learnOverlay, nullptr);
    fx.editor->close();
    DestroyWindow(host);
}

TEST(LearnOverlay, TheWheelStepsTheTargetAndReportsTheTarget) {
    RecordingControl knob(Rect(0, 0, 40, 40), 1);
    RecordingListener listener;
    auto* overlay = new LearnOverlay(Rect(0, 0, 40, 40), &listener, 13, &knob);
    Surface surface(40, 40, kSurfaceFill);

    knob.setValue(0.95f);
    EXPECT_TRUE(overlay->wheel(surface.context(), Point(5, 5), 1.0f));
    EXPECT_EQ(knob.getValue(), 1.0f);
    ASSERT_EQ(listener.changes.size(), 1u);
    EXPECT_EQ(listener.changes[0].control, &knob);

    knob.setValue(0.1f);
    overlay->wheel(surface.context(), Point(5, 5), -3.0f);
    EXPECT_EQ(knob.getValue(), 0.0f);

    // The step is the target's own increment.
    knob.setWheelIncrement(0.25f);
    knob.setValue(0.5f);
    overlay->wheel(surface.context(), Point(5, 5), 1.0f);
    EXPECT_FLOAT_EQ(knob.getValue(), 0.75f);
    EXPECT_EQ(overlay->getWheelIncrement(), 0.25f);
    // The overlay's own value never moves.
    EXPECT_EQ(overlay->getValue(), 0.0f);
    overlay->release();
}

TEST(LearnOverlay, TheWheelFollowsTheTargetsRangeAndTheMouseSwitches) {
    struct Case {
        const char* what;
        float minimum, maximum, start, distance;
        bool targetTakesMouse, overlayTakesMouse;
        float after;
        bool taken;
    };
    const Case cases[] = {
        {"up to the target's maximum", 0.0f, 2.0f, 1.95f, 1.0f, true, true, 2.0f, true},
        {"down to the target's minimum", -1.0f, 1.0f, -0.95f, -1.0f, true, true, -1.0f, true},
        {"the target takes no mouse", 0.0f, 1.0f, 0.5f, 1.0f, false, true, 0.5f, false},
        {"the overlay takes no mouse", 0.0f, 1.0f, 0.5f, 1.0f, true, false, 0.5f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingControl knob(Rect(0, 0, 40, 40), 1);
        RecordingListener listener;
        auto* overlay = new LearnOverlay(Rect(0, 0, 40, 40), &listener, 13, &knob);
        knob.setMin(c.minimum);
        knob.setMax(c.maximum);
        knob.setValue(c.start);
        knob.setMouseEnabled(c.targetTakesMouse);
        overlay->setMouseEnabled(c.overlayTakesMouse);
        EXPECT_EQ(overlay->wheel(nullptr, Point(5, 5), c.distance), c.taken);
        EXPECT_FLOAT_EQ(knob.getValue(), c.after);
        EXPECT_EQ(listener.changes.size(), c.taken ? 1u : 0u);
        overlay->release();
    }
}

TEST(LearnOverlay, WithoutATargetTheWheelIsTakenAndNothingIsReported) {
    RecordingListener listener;
    auto* overlay = new LearnOverlay(Rect(0, 0, 40, 40), &listener, 13, nullptr);
    EXPECT_TRUE(overlay->wheel(nullptr, Point(), 1.0f));
    EXPECT_TRUE(listener.changes.empty());
    overlay->mouseDown(nullptr, Point(1, 1));
    overlay->release();
}

TEST(LearnOverlay, DrawsNothingAndKeepsTheLearntNumber) {
    auto* overlay = new LearnOverlay(Rect(0, 0, 30, 30), nullptr, 13, nullptr);
    Surface surface(30, 30, kSurfaceFill);
    const auto before = surface.pixels();
    overlay->draw(surface.context());
    EXPECT_EQ(surface.pixels(), before);
    EXPECT_FALSE(overlay->isDirty());
    overlay->setLearnedController(74);
    EXPECT_EQ(overlay->getLearnedController(), 74);
    overlay->release();
}

// ---- AboutBox --------------------------------------------------------------------

class AboutBoxTest : public ::testing::Test {
protected:
    Bitmap picture{kAboutBitmapId};
    const Rect size{10, 5, 228, 82};
};

TEST_F(AboutBoxTest, ACaptionStartingWithASpaceLeavesOnlyThePicture) {
    ASSERT_EQ(picture.getHeight(), 77);
    auto* box =
        new AboutBox(size, nullptr, 4, 77, &picture, Point(), " hidden", Rect(10, 85, 228, 99), colorYellow);
    Surface surface(240, 110, kSurfaceFill);
    box->draw(surface.context());
    EXPECT_EQ(surface.pixels(), reference(picture, size, Point(0, 0), 240, 110));
    EXPECT_FALSE(box->isDirty());
    EXPECT_EQ(box->getLastShownValue(), 0.0f);
    box->release();
}

TEST_F(AboutBoxTest, TheCaptionIsWrittenInItsColourWithoutABackground) {
    const Color caption = makeColor(244, 243, 4);
    constexpr std::uint32_t kCaptionPixel = 0x00F4F304;  // the same colour as a surface pixel
    auto* box =
        new AboutBox(size, nullptr, 4, 77, &picture, Point(), "Version 1.2", Rect(10, 85, 228, 99), caption);
    Surface surface(240, 110, kSurfaceFill);
    box->draw(surface.context());
    const auto pixels = surface.pixels();
    int captionPixels = 0, background = 0;
    for (int y = 85; y < 99; ++y) {
        for (int x = 10; x < 228; ++x) {
            const std::uint32_t p = pixels[std::size_t(y * 240 + x)];
            captionPixels += p == kCaptionPixel;
            background += p == 0x00123456;
        }
    }
    EXPECT_GT(captionPixels, 20);
    // The rest of the caption's line keeps what was beneath.
    EXPECT_GT(background, 218 * 14 / 2);
    box->release();
}

TEST_F(AboutBoxTest, AMissingCaptionIsASpaceAndALongOneIsCut) {
    auto* quiet = new AboutBox(size, nullptr, 4, 77, &picture, Point(), nullptr, Rect(), colorWhite);
    EXPECT_STREQ(quiet->getCaption(), " ");
    const std::string longText(400, 'x');
    auto* wordy = new AboutBox(size, nullptr, 4, 77, &picture, Point(), longText.c_str(), Rect(), colorWhite);
    EXPECT_EQ(std::string(wordy->getCaption()), std::string(255, 'x'));
    quiet->release();
    wordy->release();
}

// ---- StepSwitch ------------------------------------------------------------------

class StepSwitchTest : public ::testing::Test {
protected:
    Bitmap strip{kKnobStripBitmapId};
    const Rect size{0, 0, 98, 98};
};

TEST_F(StepSwitchTest, StepsThroughItsPositionsAndWrapsToTheFirst) {
    RecordingListener listener;
    auto* steps = new StepSwitch(size, &listener, 2, 4, kStripFrame, &strip);
    EXPECT_EQ(steps->getValue(), 0.0f);
    steps->nextFrame();
    steps->nextFrame();
    steps->nextFrame();
    EXPECT_EQ(steps->getValue(), 3.0f);
    steps->nextFrame();
    EXPECT_EQ(steps->getValue(), 0.0f);
    steps->release();
}

TEST_F(StepSwitchTest, ValuesPastTheLastPositionWrapWhileOthersAreKept) {
    auto* steps = new StepSwitch(size, nullptr, 2, 4, kStripFrame, &strip);
    steps->setValue(5.0f);
    EXPECT_EQ(steps->getValue(), 0.0f);
    steps->setValue(3.0f);
    EXPECT_EQ(steps->getValue(), 3.0f);
    steps->setValue(-1.0f);
    EXPECT_EQ(steps->getValue(), -1.0f);
    steps->setValue(2.5f);
    EXPECT_EQ(steps->getValue(), 2.5f);
    steps->release();
}

TEST_F(StepSwitchTest, DrawsThePictureAtTheTruncatedPositionWhetherOpenedOrNot) {
    auto* steps = new StepSwitch(size, nullptr, 2, 4, kStripFrame, &strip);
    EXPECT_FALSE(steps->isOpened());
    steps->setValue(2.5f);
    Surface surface(98, 98, kSurfaceFill);
    steps->draw(surface.context());
    // trunc(98 x 2.5) = 245: half-way into the third picture.
    EXPECT_EQ(surface.pixels(), reference(strip, size, Point(0, 245), 98, 98));
    EXPECT_FALSE(steps->isDirty());
    steps->release();
}

TEST_F(StepSwitchTest, TransparentDrawingKeysOutTheStripsGreen) {
    strip.setTransparentColor(makeColor(0, 255, 0));
    auto* steps = new StepSwitch(size, nullptr, 2, 4, kStripFrame, &strip);
    steps->setTransparency(true);
    steps->setValue(1.0f);
    Surface surface(98, 98, kSurfaceFill);
    steps->draw(surface.context());
    EXPECT_EQ(surface.pixels()[0], 0x00123456u);
    EXPECT_EQ(surface.pixels(), reference(strip, size, Point(0, 98), 98, 98, true));
    steps->release();
}

// ---- FilmStripSlider -------------------------------------------------------------

TEST(FilmStripSliderFrames, TheValuePicksTheNearestFrame) {
    EXPECT_EQ(FilmStripSlider::frameTop(0.5f, kStripFrames, kStripFrame), 45 * kStripFrame);
    EXPECT_EQ(FilmStripSlider::frameTop(1.0f, kStripFrames, kStripFrame), 90 * kStripFrame);
    EXPECT_EQ(FilmStripSlider::frameTop(1.2f, kStripFrames, kStripFrame), 90 * kStripFrame);
    EXPECT_EQ(FilmStripSlider::frameTop(0.004f, kStripFrames, kStripFrame), 0);
    EXPECT_EQ(FilmStripSlider::frameTop(0.006f, kStripFrames, kStripFrame), kStripFrame);
    EXPECT_EQ(FilmStripSlider::frameTop(0.0f, kStripFrames, kStripFrame), 0);
    EXPECT_EQ(FilmStripSlider::frameTop(-0.5f, kStripFrames, kStripFrame), 0);
}

class FilmStripSliderTest : public ::testing::Test {
protected:
    FilmStripSlider* make() {
        return new FilmStripSlider(size, nullptr, 0, kStripFrames, kStripFrame, 0, 98, &strip, Point(0, 0),
                                   0);
    }
    Bitmap strip{kKnobStripBitmapId};
    const Rect size{0, 0, 98, 98};
};

TEST_F(FilmStripSliderTest, DrawsTheFrameOfItsValue) {
    auto* slider = make();
    slider->setValue(0.5f);
    Surface surface(98, 98, kSurfaceFill);
    slider->draw(surface.context());
    EXPECT_EQ(surface.pixels(), reference(strip, size, Point(0, 45 * kStripFrame), 98, 98));
    EXPECT_FALSE(slider->isDirty());
    slider->release();
}

TEST_F(FilmStripSliderTest, AValueAboveOneShowsTheLastFrameAndIsBroughtBack) {
    auto* slider = make();
    slider->setValue(1.2f);
    Surface surface(98, 98, kSurfaceFill);
    slider->draw(surface.context());
    EXPECT_EQ(slider->getValue(), 1.0f);
    EXPECT_EQ(surface.pixels(), reference(strip, size, Point(0, 90 * kStripFrame), 98, 98));
    slider->release();
}

}  // namespace
}  // namespace qp::test
