// BuzzEditor over a model of the test's own, with no effect and no host: what
// each thing the user does tells the model, in order, and what the model's news
// does to the views.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "editor/AboutBox.h"
#include "editor/BuzzEditor.h"
#include "editor/EditorModel.h"
#include "editor/LearnOverlay.h"
#include "gui/Control.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "tests/support/EffectScopes.h"

namespace qp::test {
namespace {

class RecordingModel final : public EditorModel {
public:
    float parameterValue(std::int32_t index) const override { return values[index]; }
    void beginGesture(std::int32_t index) override { log("begin %d", index); }
    void changeValue(std::int32_t index, float value) override {
        log("change %d %.2f", index, value);
        values[index] = value;
        if (echo) {
            echo(index);
        }
    }
    void endGesture(std::int32_t index) override { log("end %d", index); }
    std::int32_t presetCount() const override { return 3; }
    void presetName(std::int32_t preset, char* name, std::size_t size) const override {
        std::snprintf(name, size, "P%d", preset);
    }
    std::int32_t currentPreset() const override { return values[0] == 0.25f ? 2 : -1; }
    void choosePreset(std::int32_t preset) override { log("preset %d", preset); }
    void aboutScreenChanged(bool shown) override { log("about %d", shown ? 1 : 0); }
    void learn(std::int32_t index) override { log("learn %d", index); }
    void forget(std::int32_t index) override { log("forget %d", index); }
    void forgetAll() override { log("forgetAll"); }
    void saveDefaults() override { log("defaults"); }

    void log(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char text[64];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        calls.emplace_back(text);
    }

    float values[2] = {0.5f, 0.5f};
    std::vector<std::string> calls;
    std::function<void(std::int32_t)> echo;
};

struct ModelFixture {
    explicit ModelFixture(BuzzEditor::Commands commands)
        : editor(model, commands) {
        EXPECT_TRUE(editor.open(nullptr));
    }
    void choose(Control* control, float value) {
        control->setValue(value);
        editor.valueChanged(nullptr, control);
    }
    MemoryPlatformScope memory;
    RecordingModel model;
    BuzzEditor editor;
};

struct Row {
    const char* name;
    BuzzEditor::Commands commands;
    std::function<void(ModelFixture&)> act;
    std::vector<std::string> calls;
};

const Row kRows[] = {
    {"ADragIsAGestureOfValues",
     BuzzEditor::Commands::AboutAndPresets,
     [](ModelFixture& f) {
         f.editor.beginEdit(0);
         f.choose(f.editor.entry(0).control, 0.7f);
         f.choose(f.editor.entry(0).control, 0.75f);
         f.editor.endEdit(0);
     },
     {"begin 0", "change 0 0.70", "change 0 0.75", "end 0"}},
    {"AboutOpensAndItsClickClosesIt",
     BuzzEditor::Commands::AboutAndPresets,
     [](ModelFixture& f) {
         f.choose(f.editor.commandMenu(), float(kMenuAboutEntry));
         EXPECT_TRUE(f.editor.isAboutShowing());
         f.choose(f.editor.aboutBox(), 1.0f);
         EXPECT_FALSE(f.editor.isAboutShowing());
     },
     {"about 1", "about 0"}},
    {"APresetIsChosenByItsEntry",
     BuzzEditor::Commands::AboutAndPresets,
     [](ModelFixture& f) {
         f.editor.presetsMenu()->setCurrent(1);
         f.choose(f.editor.presetsMenu(), 1.0f);
     },
     {"preset 1"}},
    {"LearnForgetAndTheFullCommands",
     BuzzEditor::Commands::Full,
     [](ModelFixture& f) {
         f.choose(f.editor.entry(1).learnOverlay, 1.0f);
         f.choose(f.editor.entry(1).learnOverlay, 1.0f + float(kForgetCommandOffset));
         f.choose(f.editor.commandMenu(), float(kMenuSaveDefaultsEntry));
         f.choose(f.editor.commandMenu(), float(kMenuForgetAllEntry));
     },
     {"learn 1", "forget 1", "defaults", "forgetAll"}},
    {"TheZoomIsTheEditorsOwn",
     BuzzEditor::Commands::AboutAndPresets,
     [](ModelFixture& f) { f.choose(f.editor.zoomMenu(), 0.0f); },
     {}},
};

class EditorModelCalls : public ::testing::TestWithParam<Row> {};

TEST_P(EditorModelCalls, TellTheModelInOrder) {
    ModelFixture f(GetParam().commands);
    GetParam().act(f);
    EXPECT_EQ(f.model.calls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(Each, EditorModelCalls, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EditorModelNews, TheHostsValuesMoveTheKnobsButNeverTheOneTheUserSets) {
    ModelFixture f(BuzzEditor::Commands::AboutAndPresets);
    Control* knob = f.editor.entry(0).control;
    // A model whose host answers every write with a value of its own, inside it.
    f.model.echo = [&](std::int32_t index) { f.editor.parameterChanged(index, 0.1f); };
    f.choose(knob, 0.6f);
    EXPECT_EQ(knob->getValue(), 0.6f);
    f.model.echo = nullptr;
    // Later, the host's value is shown, and the presets menu ticks what it matches.
    f.editor.parameterChanged(0, 0.25f);
    EXPECT_EQ(knob->getValue(), 0.25f);
    f.model.values[0] = 0.25f;
    f.editor.parameterChanged(0, 0.25f);
    EXPECT_TRUE(f.editor.presetsMenu()->isCheckedEntry(2));
    // From another thread it waits for the idle, which reads the model.
    f.model.values[1] = 0.9f;
    std::thread([&] { f.editor.parameterChanged(1, 0.9f); }).join();
    EXPECT_NE(f.editor.entry(1).control->getValue(), 0.9f);
    f.editor.idle();
    EXPECT_EQ(f.editor.entry(1).control->getValue(), 0.9f);
}

}  // namespace
}  // namespace qp::test
