// The editor as the VST 2 edition shows it: the effect's EditorBase outside, the
// model of a BuzzEditor inside. It is the one place where the editor's words
// meet the VST 2 effect's, and they keep the wire form hosts have seen all along:
//   a value        audioMasterAutomate(index, value) inside beginEdit/endEdit, as
//                  automateParameter sends it (BuzzEffect::takeEditorValue);
//   the about box  automateParameter(kMenuCommandIndex, kMenuAboutEntry) to open,
//                  automateParameter(kAboutBoxIndex, 1) to close;
//   Default        automateParameter(kMenuCommandIndex, kMenuSaveDefaultsEntry),
//   MidiForget     ... kMenuForgetAllEntry;
//   a preset       automateParameter(kPresetsMenuIndex, program), then the program;
//   learn, forget  automateParameter(kLearnCommandIndex, index [+ kForgetCommandOffset]).
// The effect hands every command back through setParameter, and every value but
// the editor's own. Values go on to the editor; the about screen's commands open
// and close it, also when the host replays them on the window's thread.
//
// Ownership: the effect owns this (EditorBase), this owns the BuzzEditor.
#pragma once

#include "editor/BuzzEditor.h"
#include "editor/EditorModel.h"
#include "gui/Lifeline.h"
#include "host/EditorBase.h"

namespace qp {

class BuzzEffect;

class Vst2Editor final : public EditorBase, private EditorModel {
public:
    explicit Vst2Editor(BuzzEffect* effect, BuzzEditor::Commands commands = BuzzEditor::Commands::Full);
    ~Vst2Editor() override;

    // The BuzzEditor of an effect's editor made by makeBuzzEditor; null for any other.
    static BuzzEditor* editorOf(EditorBase* editor);
    BuzzEditor& editor() { return editor_; }

    // EditorBase, for the effect's dispatcher.
    Int32 getRect(ERect** rect) override;
    Int32 open(void* parentWindow) override;
    void close() override;
    void idle() override;
    void update() override;
    void requestUpdate() override;
    // Key presses never reach the controls; key releases do.
    Int32 keyDown(VstKeyCode& key) override;
    Int32 keyUp(VstKeyCode& key) override;
    Int32 setKnobMode(Int32 mode) override;
    bool wheel(float distance) override;
    void setParameter(Int32 index, float value) override;
    void refreshLearnedControllers() override;
    // In the editor's window, while it is open.
    bool ask(const char* text, MessageKind kind, std::function<void()> onYes) override;

private:
    // EditorModel, over the effect.
    float parameterValue(std::int32_t index) const override;
    void beginGesture(std::int32_t index) override;
    void changeValue(std::int32_t index, float value) override;
    void endGesture(std::int32_t index) override;
    void setValueUnrecorded(std::int32_t index, float value) override;
    std::int32_t presetCount() const override;
    void presetName(std::int32_t preset, char* name, std::size_t size) const override;
    std::int32_t currentPreset() const override;
    void choosePreset(std::int32_t preset) override;
    void aboutScreenChanged(bool shown) override;
    void learn(std::int32_t index) override;
    void forget(std::int32_t index) override;
    void forgetAll() override;
    void saveDefaults() override;
    std::int32_t learnedController(std::int32_t index) const override;
    void hostIdle() override;
    bool requestSize(std::int32_t width, std::int32_t height) override;

    BuzzEffect* buzzEffect_;
    BuzzEditor editor_;
    ERect rect_{};
    // The program being chosen from the presets menu, set while its command
    // travels; -1 otherwise.
    std::int32_t choosing_ = -1;
    // Ended first by the destructor.
    Lifeline lifeline_;
};

// The maker the product installs (setEditorFactory): the VST 2 editor for a
// BuzzEffect, none for anything else.
EditorBase* makeBuzzEditor(EffectBase* effect);

}  // namespace qp
