// What the editor says to the front end it shows in, and what it asks of it. Each
// front end implements this once: the VST 2 edition over its effect (Vst2Editor),
// the LV2 UI over the host's control ports, the CLAP edition over its plug-in's
// event queues. The editor knows nothing else of its host, and the model nothing
// of windows or views.
//
// The editor hears from its front end through BuzzEditor::parameterChanged (a
// value the host set, from any thread) and learnedControllersChanged. It never
// hears its own changes back: a value the user sets reaches the model here and
// the knob already shows it.
//
// Threads: every call here comes from the thread that opened the editor (the
// host's user-interface thread).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qp {

class EditorModel {
public:
    // A parameter's value now, 0..1.
    virtual float parameterValue(std::int32_t index) const = 0;
    // A gesture is beginGesture, any number of changeValue, endGesture. A value
    // may also change outside a gesture (the wheel, a click).
    virtual void beginGesture(std::int32_t index) = 0;
    virtual void changeValue(std::int32_t index, float value) = 0;
    virtual void endGesture(std::int32_t index) = 0;
    // A value the editor sets that is not the user's edit (randomize): where the
    // host can tell the two apart, it does not record it.
    virtual void setValueUnrecorded(std::int32_t index, float value) { changeValue(index, value); }

    // The presets menu: names, the entry to tick (-1 for none) and the choice.
    virtual std::int32_t presetCount() const = 0;
    // At most size - 1 bytes and a terminating zero; names are text, never markup.
    virtual void presetName(std::int32_t preset, char* name, std::size_t size) const = 0;
    virtual std::int32_t currentPreset() const = 0;
    virtual void choosePreset(std::int32_t preset) = 0;

    // The about screen opened or closed. The editor shows and hides it itself;
    // a model may pass the news on.
    virtual void aboutScreenChanged(bool shown) { (void)shown; }

    // MIDI learn and the user's defaults, for an editor made with
    // BuzzEditor::Commands::Full; other editors never call these.
    virtual void learn(std::int32_t index) { (void)index; }
    virtual void forget(std::int32_t index) { (void)index; }
    virtual void forgetAll() {}
    virtual void saveDefaults() {}
    // The MIDI controller learnt for a parameter, as its learn menu names it; 0
    // while none is.
    virtual std::int32_t learnedController(std::int32_t index) const {
        (void)index;
        return 0;
    }

    // A drag keeps the window's thread inside the toolkit: the host gets its
    // idle time through this. The host may destroy the editor from inside.
    virtual void hostIdle() {}
    // The editor has a new size (another zoom step); true when the host took it.
    virtual bool requestSize(std::int32_t width, std::int32_t height) {
        (void)width;
        (void)height;
        return false;
    }

protected:
    ~EditorModel() = default;
};

}  // namespace qp
