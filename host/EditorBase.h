// The editor as the effect and its dispatcher see it. The effect never reaches a
// window or a toolkit type: everything it asks of an editor goes through here.
#pragma once

#include <functional>

#include "host/Platform.h"
#include "host/PluginInterface.h"

namespace qp {

class EffectBase;

class EditorBase {
public:
    // Attaches itself to the effect, which then owns it (see EffectBase::attachEditor).
    explicit EditorBase(EffectBase* effect);
    virtual ~EditorBase();

    EditorBase(const EditorBase&) = delete;
    EditorBase& operator=(const EditorBase&) = delete;

    // Stores the address of the editor rectangle; 0 when there is none.
    virtual Int32 getRect(ERect** rect);
    // parentWindow is the host's native window handle.
    virtual Int32 open(void* parentWindow);
    virtual void close();
    virtual void idle();
    virtual void update();
    virtual void requestUpdate();
    virtual Int32 keyDown(VstKeyCode& key);
    virtual Int32 keyUp(VstKeyCode& key);
    virtual Int32 setKnobMode(Int32 mode);
    virtual bool wheel(float distance);
    // Every (index, value) the effect's setParameter received, after the effect
    // handled it: parameter values and editor commands alike.
    virtual void setParameter(Int32 index, float value);
    // The learnt MIDI controllers changed (learn, forget, a loaded bank).
    virtual void refreshLearnedControllers();
    // Shows a question (Yes/No) or a notice (OK) in the editor's own window and
    // returns at once; onYes runs later, on the window's thread, when the user
    // answers Yes, and never on No, on a notice, or when the editor closes or
    // goes first. False when it cannot ask now (closed, or called off the
    // window's thread): the caller then asks the platform as before.
    virtual bool ask(const char* text, MessageKind kind, std::function<void()> onYes);

    EffectBase* effect() const { return effect_; }
    void* parentWindow() const { return parentWindow_; }

protected:
    EffectBase* effect_;
    void* parentWindow_ = nullptr;
    Int32 updatePending_ = 0;
};

// How an effect gets its editor without depending on the toolkit: the product
// installs a factory that builds the real editor; without one, no editor is made.
using EditorFactory = EditorBase* (*)(EffectBase* effect);

}  // namespace qp
