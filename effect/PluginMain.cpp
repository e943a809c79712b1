#include "effect/PluginMain.h"

#include <new>

#include "effect/BuzzEffect.h"

namespace qp {

AEffect* pluginMain(HostCallback callback, EditorFactory makeEditor) {
    // A caller without a callback, or one that answers the version query with 0,
    // is not a VST 2 host.
    if (callback == nullptr || callback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    BuzzEffect* effect = new (std::nothrow) BuzzEffect(callback, makeEditor);
    if (effect == nullptr) {
        return nullptr;
    }
    // An effect without its editor is not handed out; the flag stays set, so every
    // later call in this process refuses as well.
    if (editorCreationFailed()) {
        delete effect;
        return nullptr;
    }
    return effect->record();
}

AEffect* pluginMain(HostCallback callback) { return pluginMain(callback, editorFactory()); }

}  // namespace qp
