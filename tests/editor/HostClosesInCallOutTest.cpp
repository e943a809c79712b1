// The host closes the editor (effEditClose) or the whole plug-in (effClose) from
// inside a call the toolkit or the editor makes out of its own code: a wheel
// step's automation, the automation an edit view sends as it loses focus (to a
// press elsewhere, or to a text edit taking its place), the
// idle a drag step gives the host, the automation of a menu choice. The frame has
// no window, so the table runs in every tree: under AddressSanitizer natively,
// and with freed memory poisoned (PoisonedDelete.cpp) under Wine.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "editor/vst2/Vst2Editor.h"
#include "effect/BuzzEffect.h"
#include "gui/Control.h"
#include "gui/ControlEditing.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/TextEdit.h"
#include "gui/TrackingScope.h"
#include "host/EditorProtocol.h"
#include "tests/support/EffectScopes.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/ScriptedControl.h"

// Where freed memory is poisoned and held (PoisonedDelete.cpp, the Windows
// trees): whether a freed block was written since. The sanitizer trees stop at
// the write itself and have none.
[[gnu::weak]] bool heldBlockUntouched(const void* block);

namespace qp::test {
namespace {

enum class Site {
    wheel,
    loseFocus,
    takeEditView,
    dragStep,
    menuChoice
};

struct Row {
    const char* name;
    Site site;
    // The host call in which the host closes.
    Int32 closesIn;
    // effEditClose or effClose.
    Int32 close;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

const Row kRows[] = {
    {"WheelAutomateEditClose", Site::wheel, audioMasterAutomate, effEditClose},
    {"WheelAutomateClose", Site::wheel, audioMasterAutomate, effClose},
    {"LoseFocusAutomateEditClose", Site::loseFocus, audioMasterAutomate, effEditClose},
    {"LoseFocusAutomateClose", Site::loseFocus, audioMasterAutomate, effClose},
    {"TakeEditViewAutomateEditClose", Site::takeEditView, audioMasterAutomate, effEditClose},
    {"TakeEditViewAutomateClose", Site::takeEditView, audioMasterAutomate, effClose},
    // The editor lives on: the close ends the drag's bracket, the drag never again.
    {"DragIdleEditClose", Site::dragStep, audioMasterIdle, effEditClose},
    {"DragIdleClose", Site::dragStep, audioMasterIdle, effClose},
    {"DragAutomateClose", Site::dragStep, audioMasterAutomate, effClose},
    {"MenuChoiceAutomateClose", Site::menuChoice, audioMasterAutomate, effClose},
};

class HostClosesInCallOut : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        effect = new BuzzEffect(&RecordingHost::callback);
        editorBlock = effect->editor();
        editor = Vst2Editor::editorOf(effect->editor());
        record = effect->record();
        // No parent window (which the record's effEditOpen insists on): a frame
        // without a window of its own.
        ASSERT_EQ(editor->open(nullptr), 1);
        frame = editor->getFrame();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override {
        host.respond = nullptr;
        if (!effectGone) {
            record->dispatcher(record, effEditClose, 0, 0, nullptr, 0.0f);
            record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
        }
    }

    std::size_t count(Int32 opcode, std::size_t from = 0) const {
        std::size_t n = 0;
        for (std::size_t i = from; i < host.calls.size(); ++i) {
            n += host.calls[i].opcode == opcode;
        }
        return n;
    }

    RecordingHost host;
    MemoryPlatformScope memory;
    EditorFactoryScope factory{makeBuzzEditor};
    BuzzEffect* effect = nullptr;
    BuzzEditor* editor = nullptr;
    // What the effect allocated for its editor: the BuzzEditor lives inside.
    const void* editorBlock = nullptr;
    AEffect* record = nullptr;
    Frame* frame = nullptr;
    bool effectGone = false;
};

TEST_P(HostClosesInCallOut, NothingOfTheClosedEditorIsTouchedAndTheBracketEndsOnce) {
    const Row& row = GetParam();
    auto* control = new ScriptedControl(editor, kSensIndex);
    ASSERT_TRUE(frame->addView(control));
    bool closed = false;
    std::size_t closedAfter = 0;
    host.respond = [&](const HostCall& call) -> IntPtr {
        if (!closed && call.opcode == row.closesIn) {
            closed = true;
            closedAfter = host.calls.size();
            effectGone = row.close == effClose;
            record->dispatcher(record, row.close, 0, 0, nullptr, 0.0f);
        }
        return call.opcode == audioMasterVersion ? 2400 : 0;
    };

    // A context over no target, as a windowless frame's events would have.
    DrawContext context(frame, nullptr, nullptr);
    switch (row.site) {
        case Site::wheel:
            // The modal view takes the wheel wherever the pointer is.
            ASSERT_TRUE(frame->setModalView(control));
            editor->wheel(1.0f);
            break;
        case Site::loseFocus:
            frame->setEditView(control);
            frame->mouseDown(&context, Point(0, 0));
            break;
        case Site::takeEditView: {
            auto* edit = new TextEdit(Rect(200, 10, 300, 40), editor, kSensIndex);
            ASSERT_TRUE(frame->addView(edit));
            frame->setEditView(control);
            context.reportPress(kButtonLeft);
            edit->mouseDown(&context, Point(250, 20));
            break;
        }
        case Site::dragStep:
            frame->mouseDown(&context, Point(50, 50));
            break;
        case Site::menuChoice: {
            OptionMenu* presets = editor->presetsMenu();
            ASSERT_NE(presets, nullptr);
            presets->setValue(3.0f);
            editor->valueChanged(&context, presets);
            break;
        }
    }

    ASSERT_TRUE(closed);
    if (heldBlockUntouched) {
        EXPECT_TRUE(heldBlockUntouched(frame)) << "the frame written after its close";
    }
    if (row.close == effClose) {
        if (heldBlockUntouched) {
            EXPECT_TRUE(heldBlockUntouched(editorBlock)) << "the editor written after its close";
        }
        // The record is gone: the host hears nothing more of it.
        EXPECT_EQ(host.calls.size(), closedAfter);
        return;
    }
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_EQ(count(audioMasterEndEdit), count(audioMasterBeginEdit));
    EXPECT_EQ(count(audioMasterAutomate, closedAfter), 0u);
    // The editor is whole: it opens again.
    EXPECT_EQ(editor->open(nullptr), 1);
}

INSTANTIATE_TEST_SUITE_P(EachCallOut, HostClosesInCallOut, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qp::test
