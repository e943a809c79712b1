#include "editor/vst2/Vst2Editor.h"

#include <cstdio>
#include <new>

#include "effect/BuzzEffect.h"
#include "gui/KeyCode.h"

namespace qp {

namespace {

// What the about box's value is once clicked, and so what its command carries.
constexpr float kAboutBoxClicked = 1.0f;
constexpr int kProgramNameBuffer = 256;

// The toolkit numbers characters, virtual codes and modifier bits as the host's
// record does, so every field is copied as it is.
KeyCode toolkitKey(const VstKeyCode& key) { return KeyCode{key.character, key.virt, key.modifier}; }

}  // namespace

EditorBase* makeBuzzEditor(EffectBase* effect) {
    auto* buzz = dynamic_cast<BuzzEffect*>(effect);
    return buzz ? new (std::nothrow) Vst2Editor(buzz) : nullptr;
}

Vst2Editor::Vst2Editor(BuzzEffect* effect, BuzzEditor::Commands commands)
    : EditorBase(effect),
      buzzEffect_(effect),
      editor_(*this, commands) {}

Vst2Editor::~Vst2Editor() { lifeline_.end(); }

BuzzEditor* Vst2Editor::editorOf(EditorBase* editor) {
    auto* vst2 = dynamic_cast<Vst2Editor*>(editor);
    return vst2 ? &vst2->editor_ : nullptr;
}

Int32 Vst2Editor::getRect(ERect** rect) {
    if (rect == nullptr) {
        return 0;
    }
    std::int32_t width = 0;
    std::int32_t height = 0;
    editor_.announceSize(width, height);
    rect_ = ERect{0, 0, std::int16_t(height), std::int16_t(width)};
    *rect = &rect_;
    return 1;
}

Int32 Vst2Editor::open(void* parentWindow) {
    EditorBase::open(parentWindow);
    return editor_.open(parentWindow) ? 1 : 0;
}

void Vst2Editor::close() { editor_.close(); }

void Vst2Editor::idle() { editor_.idle(); }

void Vst2Editor::update() { editor_.update(); }

void Vst2Editor::requestUpdate() { editor_.requestUpdate(); }

Int32 Vst2Editor::keyDown(VstKeyCode&) { return 0; }

Int32 Vst2Editor::keyUp(VstKeyCode& key) {
    KeyCode toolkit = toolkitKey(key);
    return editor_.keyUp(toolkit);
}

Int32 Vst2Editor::setKnobMode(Int32 mode) {
    GuiEditorBase::setKnobMode(mode);
    return 1;
}

bool Vst2Editor::wheel(float distance) { return editor_.wheel(distance); }

void Vst2Editor::setParameter(Int32 index, float value) {
    switch (index) {
        case kMenuCommandIndex:
            if (value == float(kMenuAboutEntry)) {
                editor_.showAboutScreen();
            }
            break;
        case kAboutBoxIndex:
            editor_.hideAboutScreen();
            break;
        case kPresetsMenuIndex:
            // Chosen in the menu: the program follows the command, as it always
            // has. A command the host replays changes nothing.
            if (choosing_ >= 0) {
                buzzEffect_->setProgram(choosing_);
            }
            break;
        default:
            editor_.parameterChanged(index, value);
            break;
    }
}

void Vst2Editor::refreshLearnedControllers() { editor_.learnedControllersChanged(); }

bool Vst2Editor::ask(const char* text, MessageKind kind, std::function<void()> onYes) {
    return editor_.ask(text, kind, std::move(onYes));
}

float Vst2Editor::parameterValue(std::int32_t index) const { return buzzEffect_->getParameter(index); }

void Vst2Editor::beginGesture(std::int32_t index) { buzzEffect_->beginEdit(index); }

void Vst2Editor::changeValue(std::int32_t index, float value) { buzzEffect_->takeEditorValue(index, value); }

void Vst2Editor::endGesture(std::int32_t index) { buzzEffect_->endEdit(index); }

void Vst2Editor::setValueUnrecorded(std::int32_t index, float value) {
    buzzEffect_->setParameter(index, value);
}

std::int32_t Vst2Editor::presetCount() const { return kProgramCount; }

void Vst2Editor::presetName(std::int32_t preset, char* name, std::size_t size) const {
    char text[kProgramNameBuffer] = {};
    buzzEffect_->getProgramNameAt(text, preset);
    std::snprintf(name, size, "%s", text);
}

std::int32_t Vst2Editor::currentPreset() const { return buzzEffect_->getProgram(); }

void Vst2Editor::choosePreset(std::int32_t preset) {
    CallOut call(lifeline_);
    choosing_ = preset;
    buzzEffect_->automateParameter(kPresetsMenuIndex, float(preset));
    if (!call.isLost()) {
        choosing_ = -1;
    }
}

void Vst2Editor::aboutScreenChanged(bool shown) {
    if (shown) {
        buzzEffect_->automateParameter(kMenuCommandIndex, float(kMenuAboutEntry));
    } else {
        buzzEffect_->automateParameter(kAboutBoxIndex, kAboutBoxClicked);
    }
}

void Vst2Editor::learn(std::int32_t index) {
    buzzEffect_->automateParameter(kLearnCommandIndex, float(index));
}

void Vst2Editor::forget(std::int32_t index) {
    buzzEffect_->automateParameter(kLearnCommandIndex, float(index + kForgetCommandOffset));
}

void Vst2Editor::forgetAll() {
    buzzEffect_->automateParameter(kMenuCommandIndex, float(kMenuForgetAllEntry));
}

void Vst2Editor::saveDefaults() {
    buzzEffect_->automateParameter(kMenuCommandIndex, float(kMenuSaveDefaultsEntry));
}

std::int32_t Vst2Editor::learnedController(std::int32_t index) const {
    return buzzEffect_->learnedController(index);
}

void Vst2Editor::hostIdle() { buzzEffect_->hostIdle(); }

bool Vst2Editor::requestSize(std::int32_t width, std::int32_t height) {
    return buzzEffect_->hostSizeWindow(width, height);
}

}  // namespace qp
