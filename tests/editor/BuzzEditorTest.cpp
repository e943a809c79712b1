// BuzzEditor against a real BuzzEffect, with a frame that has no native window:
// the layout it builds, the way values and commands travel between the views
// and the effect, the entries, the bitmap cache and randomize.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "editor/AboutBox.h"
#include "editor/LearnOverlay.h"
#include "gui/AnimKnob.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/KeyCode.h"
#ifdef _WIN32
#include "gui/NativeHandlesWin32.h"
#endif
#include "gui/OptionMenu.h"
#include "gui/OptionMenuPopup.h"
#include "gui/ParamDisplay.h"
#include "resources/ResourceIds.h"
#include "tests/editor/EditorTestSupport.h"

namespace qp::test {
namespace {

class BuzzEditorTest : public ::testing::Test {
protected:
    void openEditor() {
        ASSERT_EQ(fx.editor->open(nullptr), 1);
        ASSERT_NE(fx.editor->getFrame(), nullptr);
    }
    Frame* frame() const { return fx.editor->getFrame(); }
    AnimKnob* knob(int index) const { return dynamic_cast<AnimKnob*>(fx.editor->entry(index).control); }
    LearnOverlay* overlay(int index) const { return fx.editor->entry(index).learnOverlay; }

    EditedEffect fx;
};

TEST_F(BuzzEditorTest, ComesWithTheEffectAndKnowsItsRectangleBeforeOpening) {
    ASSERT_NE(fx.editor, nullptr);
    EXPECT_TRUE(fx.effect->record()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(fx.effect->editor()->getRect(&rect), 1);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 168);
    EXPECT_EQ(rect->right, 309);
    EXPECT_TRUE(fx.editor->isBusy());
    EXPECT_EQ(fx.editor->getFrame(), nullptr);
    EXPECT_EQ(GuiEditorBase::knobMode(), kLinearKnobMode);
}

TEST_F(BuzzEditorTest, OpenLaysOutBothKnobsWithOverlaysAndTheCommandMenu) {
    fx.effect->setParameter(0, 0.25f);
    fx.effect->setParameter(1, 0.75f);
    openEditor();
    EXPECT_FALSE(fx.editor->isBusy());
    ASSERT_EQ(frame()->getViewCount(), 5);
    EXPECT_EQ(frame()->getView(0), knob(0));
    EXPECT_EQ(frame()->getView(1), overlay(0));
    EXPECT_EQ(frame()->getView(2), knob(1));
    EXPECT_EQ(frame()->getView(3), overlay(1));
    EXPECT_EQ(frame()->getView(4), fx.editor->commandMenu());
    EXPECT_EQ(frame()->getBackground(), fx.editor->background());

    const Rect sens(116, 14, 214, 112), buzz(210, 14, 308, 112);
    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        ASSERT_NE(knob(index), nullptr);
        EXPECT_EQ(knob(index)->getViewSize(), index == 0 ? sens : buzz);
        EXPECT_EQ(overlay(index)->getViewSize(), index == 0 ? sens : buzz);
        EXPECT_EQ(knob(index)->getTag(), index);
        EXPECT_EQ(overlay(index)->getTag(), kLearnCommandIndex);
        EXPECT_EQ(overlay(index)->getTarget(), knob(index));
        EXPECT_EQ(knob(index)->getFrames(), 91);
        EXPECT_EQ(knob(index)->getFrameHeight(), 98);
        EXPECT_EQ(knob(index)->getBackground()->getResourceId(), kKnobStripBitmapId);
        // The strip's green shows the face; the overlays draw nothing and stay as they are.
        EXPECT_TRUE(knob(index)->getTransparency());
        EXPECT_FALSE(overlay(index)->getTransparency());
        EXPECT_EQ(fx.editor->entry(index).bitmapId, kKnobStripBitmapId);
        EXPECT_TRUE(fx.editor->entry(index).shown);
    }
    EXPECT_EQ(knob(0)->getValue(), 0.25f);
    EXPECT_EQ(knob(1)->getValue(), 0.75f);
    // Both knobs share the one cached strip.
    EXPECT_EQ(knob(0)->getBackground(), knob(1)->getBackground());

    AboutBox* about = fx.editor->aboutBox();
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(frame()->isChild(about));
    EXPECT_EQ(about->getValue(), 0.0f);
    EXPECT_EQ(about->getViewSize(), Rect(39, 26, 257, 103));
    EXPECT_EQ(about->getTag(), kAboutBoxIndex);
}

TEST_F(BuzzEditorTest, TheCommandMenuCarriesTheCommandsAndThePresets) {
    fx.effect->setProgram(2);
    openEditor();
    OptionMenu* menu = fx.editor->commandMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->getTag(), kMenuCommandIndex);
    EXPECT_EQ(menu->getViewSize(), Rect(12, 117, 240, 158));
    const char* expected[] = {"About", "Default", "MidiForget", "-MZoom", "-"};
    ASSERT_EQ(menu->getNumEntries(), 6);
    char text[256];
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(menu->getEntry(i, text));
        EXPECT_STREQ(text, expected[i]);
    }
    ASSERT_EQ(menu->getNumSubmenus(), 2);
    EXPECT_EQ(menu->getSubmenu(0), fx.editor->zoomMenu());
    OptionMenu* presets = menu->getSubmenu(1);
    EXPECT_EQ(presets, fx.editor->presetsMenu());
    EXPECT_EQ(presets->getTag(), kPresetsMenuIndex);
    ASSERT_EQ(presets->getNumEntries(), 9);
    for (int program = 0; program < 9; ++program) {
        char name[256] = {};
        fx.effect->getProgramNameAt(name, program);
        ASSERT_TRUE(presets->getEntry(program, text));
        EXPECT_STREQ(text, name);
    }
    EXPECT_EQ(presets->getCurrent(nullptr, true), 2);
    EXPECT_EQ(presets->getEntriesPerColumn(), 32);
    // The command menu alone keeps the submenu alive.
    EXPECT_EQ(presets->getRefCount(), 1);
}

EditorBase* makeAboutAndPresetsEditor(EffectBase* effect) {
    return new Vst2Editor(static_cast<BuzzEffect*>(effect), BuzzEditor::Commands::AboutAndPresets);
}

// The LV2 edition's form: no learn overlays, and a menu whose About is still
// command 0 and whose presets are the same submenu.
TEST(BuzzEditorCommands, EachFormHasItsMenuAndOnlyTheFullOneLearns) {
    struct Case {
        EditorFactory maker;
        std::vector<std::string> entries;  // before the presets submenu
        bool overlays;
    };
    const Case cases[] = {
        {makeBuzzEditor, {"About", "Default", "MidiForget", "-MZoom", "-"}, true},
        {makeAboutAndPresetsEditor, {"About", "-MZoom", "-"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries.size());
        EditedEffect fx(c.maker);
        ASSERT_EQ(fx.editor->open(nullptr), 1);
        OptionMenu* menu = fx.editor->commandMenu();
        ASSERT_EQ(menu->getNumEntries(), std::int32_t(c.entries.size()) + 1);
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            char text[256] = {};
            ASSERT_TRUE(menu->getEntry(std::int32_t(i), text));
            EXPECT_EQ(text, c.entries[i]);
        }
        ASSERT_EQ(menu->getNumSubmenus(), 2);
        EXPECT_EQ(menu->getSubmenu(0)->getNumEntries(), 8) << "Auto and the seven steps";
        EXPECT_EQ(menu->getSubmenu(1)->getNumEntries(), 9);
        for (int index : {0, 1}) {
            EXPECT_EQ(fx.editor->entry(index).learnOverlay != nullptr, c.overlays);
        }
        EXPECT_EQ(fx.editor->getFrame()->getViewCount(), c.overlays ? 5 : 3);
        fx.effect->setParameter(kMenuCommandIndex, float(kMenuAboutEntry));
        EXPECT_TRUE(fx.editor->isAboutShowing());
        fx.editor->close();
    }
}

TEST_F(BuzzEditorTest, OpenSetsLinearKnobsWhateverTheHostChoseBefore) {
    fx.effect->editor()->setKnobMode(0);
    openEditor();
    EXPECT_EQ(frame()->getKnobMode(), KnobMode::linear);
    // A choice made while open holds until the next open.
    EXPECT_EQ(fx.effect->editor()->setKnobMode(1), 1);
    EXPECT_EQ(frame()->getKnobMode(), KnobMode::circular);
    fx.editor->close();
    openEditor();
    EXPECT_EQ(frame()->getKnobMode(), KnobMode::linear);
}

TEST_F(BuzzEditorTest, HostKnobModesAndKeyRecordsReachTheToolkitTranslated) {
    openEditor();
    // The host's number is kept as it came; the knobs see linear for 2 alone.
    const std::pair<Int32, KnobMode> modes[] = {
        {0, KnobMode::circular},
        {1, KnobMode::circular},
        {3, KnobMode::circular},
        {-2, KnobMode::circular},
        {kLinearKnobMode, KnobMode::linear},
    };
    for (const auto& [hostMode, toolkitMode] : modes) {
        fx.effect->editor()->setKnobMode(hostMode);
        EXPECT_EQ(GuiEditorBase::knobMode(), hostMode);
        EXPECT_EQ(frame()->getKnobMode(), toolkitMode) << hostMode;
    }
    // Every field keeps its place and its whole range.
    auto* recorder = new RecordingControl(Rect(0, 0, 10, 10), 0);
    frame()->addView(recorder);
    const VstKeyCode keys[] = {
        {'a', 0, 0}, {0, kArrowUp, kKeyModifierShift}, {0x12345, 0xff, 0x0f}, {-1, 14, 0xff}};
    for (VstKeyCode key : keys) {
        ASSERT_EQ(fx.effect->editor()->keyUp(key), 1);
        EXPECT_EQ(recorder->lastKey.character, key.character);
        EXPECT_EQ(recorder->lastKey.virt, key.virt);
        EXPECT_EQ(recorder->lastKey.modifier, key.modifier);
    }
}

TEST_F(BuzzEditorTest, ParameterValuesReachTheKnobOnlyWhileOpen) {
    fx.effect->setParameter(0, 0.3f);
    EXPECT_EQ(fx.editor->entry(0).control, nullptr);
    openEditor();
    fx.effect->setParameter(0, 0.6f);
    EXPECT_EQ(knob(0)->getValue(), 0.6f);
    // Out-of-range values arrive clamped, as the effect stored them.
    fx.effect->setParameter(1, 1.5f);
    EXPECT_EQ(knob(1)->getValue(), 1.0f);
    fx.editor->close();
    fx.effect->setParameter(0, 0.1f);
    EXPECT_EQ(fx.editor->entry(0).control, nullptr);
}

TEST_F(BuzzEditorTest, ValuesSetOnAnotherThreadWaitForTheNextIdle) {
    openEditor();
    const float before = knob(0)->getValue();
    std::thread automation([&] { fx.effect->setParameter(0, 0.85f); });
    automation.join();
    EXPECT_EQ(knob(0)->getValue(), before);
    EXPECT_EQ(fx.effect->getParameter(0), 0.85f);
    fx.editor->idle();
    EXPECT_EQ(knob(0)->getValue(), 0.85f);
}

TEST_F(BuzzEditorTest, CommandsFromAnotherThreadLeaveTheWindowAlone) {
    openEditor();
    std::thread automation([&] { fx.effect->setParameter(kMenuCommandIndex, 0.0f); });
    automation.join();
    fx.editor->idle();
    EXPECT_FALSE(fx.editor->isAboutShowing());
}

TEST_F(BuzzEditorTest, TheAboutScreenOpensWithCommandFiveZeroAndClosesWithFour) {
    openEditor();
    // 1 and 2 are the effect's commands (its questions are answered No here).
    fx.effect->setParameter(kMenuCommandIndex, 1.0f);
    fx.effect->setParameter(kMenuCommandIndex, 2.0f);
    EXPECT_FALSE(fx.editor->isAboutShowing());
    EXPECT_EQ(frame()->getModalView(), nullptr);

    fx.effect->setParameter(kMenuCommandIndex, 0.0f);
    AboutBox* about = fx.editor->aboutBox();
    EXPECT_TRUE(fx.editor->isAboutShowing());
    EXPECT_EQ(frame()->getModalView(), about);
    EXPECT_EQ(about->getValue(), 0.0f);
    // Asking again while it shows adds nothing.
    fx.effect->setParameter(kMenuCommandIndex, 0.0f);
    EXPECT_EQ(frame()->getViewCount(), 6);

    fx.effect->setParameter(kAboutBoxIndex, 1.0f);
    EXPECT_FALSE(fx.editor->isAboutShowing());
    EXPECT_EQ(frame()->getModalView(), nullptr);
    EXPECT_EQ(frame()->getViewCount(), 5);
    EXPECT_EQ(about->getValue(), 1.0f);
    EXPECT_EQ(about->getRefCount(), 1);
    // Four with nothing showing does nothing.
    fx.effect->setParameter(kAboutBoxIndex, 0.0f);
    EXPECT_EQ(frame()->getViewCount(), 5);
}

TEST_F(BuzzEditorTest, ClosingWithTheAboutScreenUpAndReopeningShowsThePlainFace) {
    openEditor();
    fx.effect->setParameter(kMenuCommandIndex, 0.0f);
    ASSERT_TRUE(fx.editor->isAboutShowing());
    fx.editor->close();
    EXPECT_EQ(fx.editor->aboutBox(), nullptr);
    EXPECT_TRUE(fx.editor->isBusy());
    openEditor();
    EXPECT_FALSE(fx.editor->isAboutShowing());
    EXPECT_EQ(frame()->getModalView(), nullptr);
    EXPECT_EQ(frame()->getViewCount(), 5);
}

TEST_F(BuzzEditorTest, ThePresetsMenuSelectsItsCurrentProgram) {
    openEditor();
    OptionMenu* presets = fx.editor->presetsMenu();
    presets->setValue(3.0f);
    fx.editor->valueChanged(nullptr, presets);
    EXPECT_EQ(fx.effect->getProgram(), 3);
    const auto automations = fx.host.callsWith(audioMasterAutomate);
    ASSERT_FALSE(automations.empty());
    EXPECT_EQ(automations.back().index, kPresetsMenuIndex);
    EXPECT_EQ(automations.back().opt, 3.0f);
}

// A control's drag bracket goes frame -> editor -> the effect as edit host -> host.
TEST_F(BuzzEditorTest, AControlsEditBracketReachesTheHostWithItsTag) {
    openEditor();
    frame()->beginEdit(kBuzzIndex);
    frame()->endEdit(kBuzzIndex);
    const auto begins = fx.host.callsWith(audioMasterBeginEdit);
    const auto ends = fx.host.callsWith(audioMasterEndEdit);
    ASSERT_EQ(begins.size(), 1u);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(begins[0].index, kBuzzIndex);
    EXPECT_EQ(ends[0].index, kBuzzIndex);
}

#ifdef _WIN32
// The texts as the Windows menu shows them: a menu of the system's own.
TEST_F(BuzzEditorTest, ProgramNamesAreShownLiterallyAndEveryProgramCanBeChosen) {
    const char* names[] = {"-", "-Mix", "-Gate", "-Tone", "A&B"};
    for (int program = 0; program < 5; ++program) {
        fx.effect->setProgram(program);
        char name[32];
        std::snprintf(name, sizeof(name), "%s", names[program]);
        fx.effect->setProgramName(name);
    }
    fx.effect->setProgram(0);
    openEditor();
    {
        OptionMenuPopup popup(*fx.editor->commandMenu());
        HMENU presets = GetSubMenu(win32::hmenu(popup.nativeMenu()), 5);
        ASSERT_NE(presets, nullptr);
        ASSERT_EQ(GetMenuItemCount(presets), 9);
        const char* shown[] = {"-", "-Mix", "-Gate", "-Tone", "A&&B"};
        for (int program = 0; program < 5; ++program) {
            char text[64] = {};
            GetMenuStringA(presets, UINT(program), text, sizeof(text), MF_BYPOSITION);
            EXPECT_STREQ(text, shown[program]);
            const UINT state = GetMenuState(presets, UINT(program), MF_BYPOSITION);
            EXPECT_FALSE(state & (MF_SEPARATOR | MF_POPUP | MF_GRAYED | MF_DISABLED)) << names[program];
            EXPECT_EQ((state & MF_CHECKED) != 0, program == 0) << names[program];
        }
    }
    OptionMenu* presets = fx.editor->presetsMenu();
    for (int program : {3, 0}) {
        presets->setValue(float(program));
        fx.editor->valueChanged(nullptr, presets);
        EXPECT_EQ(fx.effect->getProgram(), program);
    }
}
#endif

TEST_F(BuzzEditorTest, AKnobChangeReachesTheEffectAndTheHostUnlessTheEditorIsBusy) {
    openEditor();
    knob(0)->setValue(0.9f);
    fx.editor->valueChanged(nullptr, knob(0));
    EXPECT_EQ(fx.effect->getParameter(0), 0.9f);
    ASSERT_EQ(fx.host.callsWith(audioMasterAutomate).size(), 1u);
    EXPECT_EQ(fx.host.callsWith(audioMasterAutomate)[0].index, 0);

    // After close the editor is busy: a late change from a stray control is dropped.
    RecordingControl stray(Rect(0, 0, 10, 10), 0);
    stray.setValue(0.1f);
    fx.editor->close();
    fx.editor->valueChanged(nullptr, &stray);
    EXPECT_EQ(fx.effect->getParameter(0), 0.9f);
    EXPECT_EQ(fx.host.callsWith(audioMasterAutomate).size(), 1u);
}

TEST_F(BuzzEditorTest, KeyDownIsAlwaysAnsweredZero) {
    VstKeyCode key = {'a', 0, 0};
    EXPECT_EQ(fx.effect->editor()->keyDown(key), 0);
    openEditor();
    EXPECT_EQ(fx.effect->editor()->keyDown(key), 0);
    // Key up still goes to the frame, where nobody takes it.
    EXPECT_EQ(fx.effect->editor()->keyUp(key), -1);
}

TEST_F(BuzzEditorTest, LearntControllersReachTheOverlays) {
    openEditor();
    fx.effect->setParameter(kLearnCommandIndex, 1.0f);
    fx.sendController(7, 100);
    EXPECT_EQ(fx.effect->learnedController(1), 7);
    fx.effect->editor()->refreshLearnedControllers();
    EXPECT_EQ(overlay(0)->getLearnedController(), 0);
    EXPECT_EQ(overlay(1)->getLearnedController(), 7);
    // Forgetting refreshes them through the effect.
    fx.effect->setParameter(kLearnCommandIndex, 1001.0f);
    EXPECT_EQ(overlay(1)->getLearnedController(), 0);
}

TEST_F(BuzzEditorTest, LearntControllersChangedOnAnotherThreadShowAtTheNextIdle) {
    openEditor();
    fx.effect->setParameter(kLearnCommandIndex, 1.0f);
    fx.sendController(7, 100);
    void* chunk = nullptr;
    const Int32 size = fx.effect->getChunk(&chunk, false);
    const std::vector<char> bank(static_cast<char*>(chunk), static_cast<char*>(chunk) + size);
    fx.editor->idle();
    ASSERT_EQ(overlay(1)->getLearnedController(), 7);

    // A forget replayed on the automation thread leaves the overlays to the window thread.
    std::thread([&] { fx.effect->setParameter(kLearnCommandIndex, 1001.0f); }).join();
    EXPECT_EQ(overlay(1)->getLearnedController(), 7);
    fx.editor->idle();
    EXPECT_EQ(overlay(1)->getLearnedController(), 0);

    // So does a bank loaded on a worker thread.
    std::vector<char> copy = bank;
    std::thread([&] { fx.effect->setChunk(copy.data(), Int32(copy.size()), false); }).join();
    EXPECT_EQ(overlay(1)->getLearnedController(), 0);
    fx.editor->idle();
    EXPECT_EQ(overlay(1)->getLearnedController(), 7);
}

TEST_F(BuzzEditorTest, AControllerLearntFromMidiShowsAtTheNextIdle) {
    openEditor();
    fx.effect->setParameter(kLearnCommandIndex, 0.0f);
    fx.sendController(21, 127);
    fx.editor->idle();
    EXPECT_EQ(overlay(0)->getLearnedController(), 21);
}

TEST_F(BuzzEditorTest, HiddenEntriesIgnoreValuesAndShowTheEffectsValueAgain) {
    openEditor();
    AnimKnob* sens = knob(0);
    fx.editor->hideEntry(0);
    EXPECT_FALSE(frame()->isChild(sens));
    EXPECT_FALSE(frame()->isChild(overlay(0)));
    EXPECT_EQ(frame()->getViewCount(), 3);
    const float shown = sens->getValue();
    fx.editor->setControlValue(0, 0.25f);
    EXPECT_EQ(sens->getValue(), shown);

    fx.effect->setParameter(0, 0.4f);
    fx.editor->showEntry(0);
    EXPECT_TRUE(frame()->isChild(sens));
    EXPECT_EQ(sens->getValue(), 0.4f);
    // Back on top of the others, knob first and its overlay over it.
    EXPECT_EQ(frame()->getView(3), sens);
    EXPECT_EQ(frame()->getView(4), overlay(0));
    // A hidden entry's views are the editor's to release at close.
    fx.editor->hideEntry(1);
    fx.editor->close();
    EXPECT_EQ(fx.editor->entry(1).control, nullptr);
}

TEST_F(BuzzEditorTest, AnIntegerValueDisplayShowsTheScaledWholeNumber) {
    fx.effect->setParameter(0, 0.425f);
    openEditor();
    fx.editor->addValueDisplay(10, 10, 40, 14, 0, false, true, 100.0f, 0.0f, colorWhite, colorBlack,
                               colorGrey, kFontMedium);
    ParamDisplay* display = fx.editor->entry(0).display;
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->getValue(), 42.0f);
    EXPECT_TRUE(frame()->isChild(display));
    fx.editor->setControlValue(0, 0.5f);
    EXPECT_EQ(display->getValue(), 50.0f);
    // The knob still gets the plain value.
    EXPECT_EQ(knob(0)->getValue(), 0.5f);
}

TEST_F(BuzzEditorTest, TheBitmapCacheLoadsEachResourceOnceAndHasNineSlots) {
    Bitmap* strip = fx.editor->getBitmap(kKnobStripBitmapId);
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(fx.editor->getBitmap(kKnobStripBitmapId), strip);
    EXPECT_EQ(strip->getWidth(), 98);
    EXPECT_EQ(strip->getHeight(), 8918);
    EXPECT_EQ(strip->getTransparentColor(), makeColor(0, 255, 0));
    EXPECT_EQ(fx.editor->getBitmap(0), nullptr);
    EXPECT_EQ(fx.editor->cachedBitmap(1).resourceId, -1);

    // Eight more distinct ids fill the cache; the tenth gets the first slot's.
    for (int id = 1000; id < 1008; ++id) {
        fx.editor->getBitmap(id);
    }
    EXPECT_TRUE(fx.platform.messages().empty());
    EXPECT_EQ(fx.editor->getBitmap(2000), strip);
    ASSERT_EQ(fx.platform.messages().size(), 1u);
    EXPECT_EQ(fx.platform.messages()[0].text, "Alocation Bitmap Error!");
    EXPECT_EQ(fx.platform.messages()[0].caption, "Error!");
    // Ids already cached still come without complaint.
    fx.editor->getBitmap(1005);
    EXPECT_EQ(fx.platform.messages().size(), 1u);
}

TEST_F(BuzzEditorTest, TheCachedStripOutlivesEveryWindow) {
    openEditor();
    Bitmap* strip = knob(0)->getBackground();
    fx.editor->close();
    openEditor();
    EXPECT_EQ(knob(0)->getBackground(), strip);
    fx.editor->close();
    EXPECT_EQ(strip->getRefCount(), 1);
}

TEST_F(BuzzEditorTest, TransparencyFollowsTheBitmapAndSparesTheOverlays) {
    openEditor();
    knob(0)->setTransparency(false);
    knob(1)->setTransparency(false);
    fx.editor->setTransparencyForBitmap(kFaceBitmapId);
    EXPECT_FALSE(knob(0)->getTransparency());
    fx.editor->setTransparencyForBitmap(kKnobStripBitmapId);
    EXPECT_TRUE(knob(0)->getTransparency());
    EXPECT_TRUE(knob(1)->getTransparency());
    EXPECT_FALSE(overlay(0)->getTransparency());
}

TEST_F(BuzzEditorTest, OpeningTwiceWithoutCloseReplacesTheWindow) {
    openEditor();
    fx.effect->setParameter(kMenuCommandIndex, 0.0f);
    openEditor();
    EXPECT_EQ(frame()->getViewCount(), 5);
    EXPECT_FALSE(fx.editor->isAboutShowing());
}

// The tick counter wraps after 49.7 days of uptime; an editor made before the
// wrap and dragged after it still redraws and gives the host idle time.
std::uint32_t fakeTick = 0;

TEST(GuiEditorWait, IdlesOnScheduleAcrossTheTickCounterWrap) {
    fakeTick = 0xFFFFF000u;
    GuiEditorBase::setTickSource([] { return fakeTick; });
    {
        EditedEffect fx;
        ASSERT_EQ(fx.editor->open(nullptr), 1);
        const auto hostIdles = [&] { return fx.host.callsWith(audioMasterIdle).size(); };
        fakeTick = 0x100u;
        fx.editor->wait();
        EXPECT_EQ(hostIdles(), 1u);
        // From then on about every 50 ms, not at every step: 20 steps of 10 ms.
        for (int step = 0; step < 20; ++step) {
            fakeTick += 10;
            fx.editor->wait();
        }
        EXPECT_GE(hostIdles(), 1u + 3u);
        EXPECT_LE(hostIdles(), 1u + 5u);
    }
    GuiEditorBase::setTickSource(nullptr);
}

// The deadline is refreshed only inside drags; after a quiet spell of any length
// the first step of the next drag idles at once. Past 2^31 ms (24.9 days) the
// old deadline reads as far ahead, and just short of 2^32 as a little ahead.
TEST(GuiEditorWait, TheFirstStepAfterAnyQuietSpellIdles) {
    for (const std::uint32_t quiet : {1000u, 0x80000000u + 1000u, 0xFFFFFF00u}) {
        SCOPED_TRACE(quiet);
        fakeTick = 5000;
        GuiEditorBase::setTickSource([] { return fakeTick; });
        EditedEffect fx;
        ASSERT_EQ(fx.editor->open(nullptr), 1);
        fx.editor->wait();
        fakeTick += quiet;
        fx.editor->wait();
        EXPECT_EQ(fx.host.callsWith(audioMasterIdle).size(), 2u);
    }
    GuiEditorBase::setTickSource(nullptr);
}

TEST_F(BuzzEditorTest, RandomizeWithAnOffsetOnlySetsExactlyTheOffset) {
    const float buzz = fx.effect->getParameter(1);
    const float none[BuzzEditor::kRandomAmounts] = {};
    fx.editor->setRandomSetting(0, false, 0.3f, none);
    fx.editor->randomize(0);
    EXPECT_EQ(fx.effect->getParameter(0), 0.3f);
    EXPECT_EQ(fx.effect->getParameter(1), buzz);
    // The plain setParameter: the host hears nothing.
    EXPECT_TRUE(fx.host.callsWith(audioMasterAutomate).empty());
}

TEST_F(BuzzEditorTest, ANegativeAmountIsAFixedValue) {
    const float amounts[BuzzEditor::kRandomAmounts] = {0.0f, -0.25f};
    fx.editor->setRandomSetting(0, false, 0.6f, amounts);
    fx.editor->randomize(1);
    EXPECT_EQ(fx.effect->getParameter(0), 0.25f);
}

TEST_F(BuzzEditorTest, ABipolarFullAmountSpreadsAroundTheMiddle) {
    const float amounts[BuzzEditor::kRandomAmounts] = {1.0f};
    fx.editor->setRandomSetting(1, true, 0.0f, amounts);
    fx.editor->seedRandom(12345);
    float low = 1.0f, high = 0.0f;
    double sum = 0.0;
    constexpr int kDraws = 400;
    for (int i = 0; i < kDraws; ++i) {
        fx.editor->randomize(0);
        const float v = fx.effect->getParameter(1);
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 1.0f);
        low = std::min(low, v);
        high = std::max(high, v);
        sum += v;
    }
    EXPECT_LT(low, 0.1f);
    EXPECT_GT(high, 0.9f);
    EXPECT_NEAR(sum / kDraws, 0.5, 0.05);
}

TEST_F(BuzzEditorTest, RandomSettingsOutsideTheParametersAreRefused) {
    const float amounts[BuzzEditor::kRandomAmounts] = {0.5f};
    fx.editor->setRandomSetting(5, false, 0.0f, amounts);
    fx.editor->setRandomSetting(-1, false, 0.0f, amounts);
    EXPECT_EQ(fx.editor->randomSetting(0).parameter, -1);
    EXPECT_EQ(fx.editor->randomSetting(1).parameter, -1);
    fx.editor->randomize(6);
    fx.editor->randomize(-1);
}

}  // namespace
}  // namespace qp::test
