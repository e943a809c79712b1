// The bracket around a gesture, so the host records one undo step and one
// automation pass for a whole drag.
//
// Call sequence of a drag: beginEdit(index), then the values, then
// endEdit(index). The effect implements this (EffectHostServices) and is handed
// to the editor twice: as this interface, where the brackets go, and as the
// EffectBase every editor holds (EditorBase::effect()), through which it reaches
// the rest of the host layer: automateParameter for values and commands,
// setProgram for the presets menu, hostIdle from a drag's wait. The bracket is
// kept apart so an editor can be given one that goes elsewhere, or none.
#pragma once

#include "host/PluginInterface.h"

namespace qp {

class EditHost {
public:
    // Both answer whether the host took the call.
    virtual bool beginEdit(Int32 index) = 0;
    virtual bool endEdit(Int32 index) = 0;

protected:
    // Not owned through this interface: the effect owns its editor, not the reverse.
    ~EditHost() = default;
};

}  // namespace qp
