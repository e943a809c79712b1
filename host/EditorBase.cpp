#include "host/EditorBase.h"

#include <atomic>

#include "host/EffectBase.h"

namespace qp {

EditorBase::EditorBase(EffectBase* effect)
    : effect_(effect) {
    if (effect_ != nullptr) {
        effect_->attachEditor(this);
    }
}

// The effect owns its editor and normally destroys it; an editor destroyed any other
// way must not stay behind in the effect to be destroyed a second time.
EditorBase::~EditorBase() {
    if (effect_ != nullptr) {
        effect_->detachEditor(this);
    }
}

Int32 EditorBase::getRect(ERect** rect) {
    if (rect != nullptr) {
        *rect = nullptr;
    }
    return 0;
}

Int32 EditorBase::open(void* parentWindow) {
    parentWindow_ = parentWindow;
    return 0;
}

void EditorBase::close() {}

// The pending flag is set from whichever thread sets a parameter (often the host's
// audio thread) and taken here on the user-interface thread.
void EditorBase::idle() {
    if (std::atomic_ref<Int32>(updatePending_).exchange(0, std::memory_order_relaxed) != 0) {
        update();
    }
}

void EditorBase::update() {}

void EditorBase::requestUpdate() {
    std::atomic_ref<Int32>(updatePending_).store(1, std::memory_order_relaxed);
}

Int32 EditorBase::keyDown(VstKeyCode&) { return -1; }
Int32 EditorBase::keyUp(VstKeyCode&) { return -1; }
Int32 EditorBase::setKnobMode(Int32) { return 0; }
bool EditorBase::wheel(float) { return false; }

void EditorBase::setParameter(Int32, float) { requestUpdate(); }

void EditorBase::refreshLearnedControllers() {}

bool EditorBase::ask(const char*, MessageKind, std::function<void()>) { return false; }

}  // namespace qp
