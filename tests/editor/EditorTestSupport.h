// Shared pieces of the editor's tests: a BuzzEffect built with the real editor
// and a recording host, and a control that records what reaches it. Nothing
// here names a platform: the shared tests include it in every tree.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "editor/vst2/Vst2Editor.h"
#include "effect/BuzzEffect.h"
#include "gui/Color.h"
#include "gui/Control.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "host/MemoryPlatform.h"
#include "tests/support/EffectScopes.h"
#include "tests/support/RecordingHost.h"

namespace qp::test {

// A BuzzEffect with its BuzzEditor, message boxes and registry in memory.
class EditedEffect {
public:
    EditedEffect()
        : EditedEffect(makeBuzzEditor) {}
    explicit EditedEffect(EditorFactory maker)
        : factory(maker),
          effect(std::make_unique<BuzzEffect>(&RecordingHost::callback)),
          editor(Vst2Editor::editorOf(effect->editor())) {}
    EditedEffect(const EditedEffect&) = delete;
    EditedEffect& operator=(const EditedEffect&) = delete;

    // Sends MIDI controller change number controller with value.
    void sendController(std::uint8_t controller, std::uint8_t value) {
        VstMidiEvent midi = {};
        midi.type = kVstMidiType;
        midi.byteSize = sizeof(midi);
        midi.midiData[0] = char(0xB0);
        midi.midiData[1] = char(controller);
        midi.midiData[2] = char(value);
        VstEvents events = {};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*>(&midi);
        effect->processEvents(&events);
    }

    RecordingHost host;
    // Installed before the effect is made and removed after it is gone.
    MemoryPlatformScope memory;
    EditorFactoryScope factory{makeBuzzEditor};
    MemoryPlatform& platform = memory.platform;
    std::unique_ptr<BuzzEffect> effect;
    BuzzEditor* editor = nullptr;
};

// What the editor's surfaces start filled with, so that untouched pixels show.
inline constexpr Color kSurfaceFill = makeColor(0x12, 0x34, 0x56);

// A control that records presses and released keys and draws nothing.
class RecordingControl : public Control {
public:
    RecordingControl(const Rect& size, std::int32_t tag)
        : Control(size, nullptr, tag) {}
    void draw(DrawContext*) override { setDirty(false); }
    void mouseDown(DrawContext*, Point where) override { presses.push_back(where); }
    std::int32_t keyUp(KeyCode& key) override {
        lastKey = key;
        return 1;
    }
    std::vector<Point> presses;
    KeyCode lastKey{-1, 0, 0};
};

class RecordingListener : public ControlListener {
public:
    void valueChanged(DrawContext*, Control* control) override {
        changes.push_back({control, control->getValue()});
    }
    struct Change {
        Control* control;
        float value;
    };
    std::vector<Change> changes;
};

}  // namespace qp::test
