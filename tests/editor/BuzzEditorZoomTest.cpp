// The editor at its zoom steps, with a frame that has no native window: where the
// step comes from (the user's stored choice, the host's scale), the layout by the
// one rounding rule, and a change of step while open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

#include "editor/AboutBox.h"
#include "editor/LearnOverlay.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/Zoom.h"
#include "tests/editor/EditorTestSupport.h"

namespace qp::test {
namespace {

constexpr const char* kSettingsPath = "Software\\Veltmarsk\\Quorrelphone";

std::int32_t stepNumber(std::int32_t step) {
    return std::int32_t(std::find(std::begin(kZoomSteps), std::end(kZoomSteps), step) -
                        std::begin(kZoomSteps));
}

// What the layout must be at a step: the 100 % rectangles through the rule.
void expectLayoutAt(BuzzEditor& editor, std::int32_t step) {
    SCOPED_TRACE(step);
    Frame* frame = editor.getFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->getZoom(), step);
    EXPECT_EQ(frame->getViewSize(), Rect(0, 0, zoomed(309, step), zoomed(168, step)));
    std::int32_t width = 0;
    std::int32_t height = 0;
    editor.announceSize(width, height);
    EXPECT_EQ(width, zoomed(309, step));
    EXPECT_EQ(height, zoomed(168, step));
    ASSERT_NE(editor.background(), nullptr);
    EXPECT_EQ(editor.background()->getWidth(), zoomed(309, step));
    EXPECT_EQ(frame->getBackground(), editor.background());
    EXPECT_EQ(editor.entry(0).control->getViewSize(), zoomed(Rect(116, 14, 214, 112), step));
    EXPECT_EQ(editor.entry(1).control->getViewSize(), zoomed(Rect(210, 14, 308, 112), step));
    EXPECT_EQ(editor.entry(1).learnOverlay->getViewSize(), editor.entry(1).control->getViewSize());
    EXPECT_EQ(editor.commandMenu()->getViewSize(), zoomed(Rect(12, 117, 240, 158), step));
    EXPECT_EQ(editor.aboutBox()->getViewSize(), zoomed(Rect(39, 26, 257, 103), step));
}

TEST(BuzzEditorZoom, EveryStepLaysOutTheFaceKnobsMenuAndAboutBoxByTheOneRule) {
    for (std::int32_t step : kZoomSteps) {
        EditedEffect fx;
        fx.editor->chooseZoom(step);
        ERect* rect = nullptr;
        ASSERT_EQ(fx.effect->editor()->getRect(&rect), 1);
        EXPECT_EQ(rect->right, zoomed(309, step)) << "asked before the first open";
        ASSERT_EQ(fx.editor->open(nullptr), 1);
        expectLayoutAt(*fx.editor, step);
        // The zoom menu ticks the choice: entry 0 is Auto, then the steps in order.
        EXPECT_EQ(fx.editor->zoomMenu()->getCurrent(), 1 + stepNumber(step));
        fx.editor->close();
    }
}

TEST(BuzzEditorZoom, AStepChosenWhileOpenTakesEffectAtIdleAndAsksTheHostForTheSize) {
    struct Row {
        const char* how;
        std::int32_t step;
        IntPtr hostAnswer;  // 0: the host refuses the new size
    };
    for (const Row row : {Row{"menu", 150, 1}, Row{"menu", 200, 0}, Row{"host scale", 250, 1},
                          Row{"another monitor's DPI", 175, 1}}) {
        SCOPED_TRACE(row.how);
        EditedEffect fx;
        fx.effect->setParameter(0, 0.25f);
        ASSERT_EQ(fx.editor->open(nullptr), 1);
        expectLayoutAt(*fx.editor, 100);
        fx.effect->setParameter(kMenuCommandIndex, float(kMenuAboutEntry));
        ASSERT_TRUE(fx.editor->isAboutShowing());
        fx.host.reset();
        fx.host.answer = row.hostAnswer;
        if (row.step == 250) {
            fx.editor->setHostScale(2.4);
        } else if (row.step == 175) {
            // What the window procedure passes on from WM_DPICHANGED (168 dpi).
            fx.editor->windowScaleChanged(1.75);
        } else {
            // As the popup delivers a choice: the submenu takes the entry and tells its listener.
            OptionMenu* zoom = fx.editor->zoomMenu();
            zoom->setValue(float(1 + stepNumber(row.step)));
            fx.editor->valueChanged(nullptr, zoom);
        }
        EXPECT_EQ(fx.editor->getFrame()->getZoom(), 100) << "not inside the choice";
        fx.editor->idle();
        expectLayoutAt(*fx.editor, row.step);
        EXPECT_TRUE(fx.editor->isAboutShowing()) << "the about screen stays up";
        EXPECT_FLOAT_EQ(fx.editor->entry(0).control->getValue(), 0.25f);
        const std::vector<HostCall> sizes = fx.host.callsWith(audioMasterSizeWindow);
        ASSERT_EQ(sizes.size(), 1u);
        EXPECT_EQ(sizes[0].index, zoomed(309, row.step));
        EXPECT_EQ(sizes[0].value, zoomed(168, row.step));
        EXPECT_TRUE(fx.host.callsWith(audioMasterAutomate).empty()) << "the zoom is the editor's alone";
        fx.host.reset();
        fx.editor->idle();
        EXPECT_TRUE(fx.host.callsWith(audioMasterSizeWindow).empty()) << "once";
    }
}

TEST(BuzzEditorZoom, TheChoiceIsRememberedForTheUserAndABadStoredValueMeansAuto) {
    EditedEffect fx;
    fx.editor->chooseZoom(175);
    EXPECT_EQ(fx.platform.dwordValue(kSettingsPath, "Zoom"), 176u) << "number + 1, as every setting";
    {
        BuzzEffect another(&RecordingHost::callback);
        auto* editor = Vst2Editor::editorOf(another.editor());
        EXPECT_EQ(editor->zoomChoice(), 175);
        ASSERT_EQ(editor->open(nullptr), 1);
        expectLayoutAt(*editor, 175);
        editor->close();
    }
    struct Stored {
        std::vector<std::uint8_t> bytes;  // empty: no value
        std::int32_t choice;
    };
    const Stored table[] = {
        {{}, BuzzEditor::kZoomAuto},
        {{1, 0, 0, 0}, BuzzEditor::kZoomAuto},
        {{151, 0, 0, 0}, 150},
        {{150, 0, 0, 0}, BuzzEditor::kZoomAuto},  // 149 %: no step
        {{0xFF, 0xFF, 0xFF, 0xFF}, BuzzEditor::kZoomAuto},
        {{0x2D, 0x01, 0, 0, 0, 0}, BuzzEditor::kZoomAuto},  // 301 in a value of the wrong size
        {{'2', '0', '0'}, BuzzEditor::kZoomAuto},
    };
    for (const Stored& stored : table) {
        fx.platform.clearRegistry();
        if (!stored.bytes.empty()) {
            fx.platform.putValue(kSettingsPath, "Zoom", stored.bytes);
        }
        BuzzEffect effect(&RecordingHost::callback);
        auto* editor = Vst2Editor::editorOf(effect.editor());
        EXPECT_EQ(editor->zoomChoice(), stored.choice) << stored.bytes.size();
        ASSERT_EQ(editor->open(nullptr), 1);
        expectLayoutAt(*editor, stored.choice == BuzzEditor::kZoomAuto ? 100 : stored.choice);
        editor->close();
    }
}

TEST(BuzzEditorZoom, AutoFollowsTheHostScaleToTheNearestStepAndAChoiceWins) {
    struct Row {
        double hostScale;
        std::int32_t choice;
        std::int32_t step;
    };
    for (const Row row :
         {Row{1.5, BuzzEditor::kZoomAuto, 150}, Row{2.0, BuzzEditor::kZoomAuto, 200},
          Row{1.1, BuzzEditor::kZoomAuto, 100}, Row{1.125, BuzzEditor::kZoomAuto, 125},
          Row{4.0, BuzzEditor::kZoomAuto, 300}, Row{0.0, BuzzEditor::kZoomAuto, 100}, Row{2.0, 125, 125}}) {
        SCOPED_TRACE(row.hostScale);
        EditedEffect fx;
        fx.editor->chooseZoom(row.choice);
        fx.editor->setHostScale(row.hostScale);
        ASSERT_EQ(fx.editor->open(nullptr), 1);
        expectLayoutAt(*fx.editor, row.step);
        fx.editor->close();
    }
}

}  // namespace
}  // namespace qp::test
