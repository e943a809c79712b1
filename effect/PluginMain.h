// What the exported `main` does, apart from its Windows name and linkage, so the
// native tests can call it too.
#pragma once

#include "host/EditorBase.h"
#include "host/PluginInterface.h"

namespace qp {

// Asks the host for its version (0 means the caller is no VST 2 host), builds a
// BuzzEffect with the editor makeEditor makes and returns its record; null when
// no effect can be made.
AEffect* pluginMain(HostCallback callback, EditorFactory makeEditor);
// The same with the maker installed by setEditorFactory (effect/BuzzEffect.h).
AEffect* pluginMain(HostCallback callback);

}  // namespace qp
