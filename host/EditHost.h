// All an editor may ask of the host layer on its own: the bracket around a
// gesture, so the host records one undo step and one automation pass for a whole
// drag. Values themselves go through EffectBase::automateParameter.
//
// Call sequence of a drag: beginEdit(index), then the values, then
// endEdit(index). The effect implements this (EffectHostServices); an editor
// is handed it at construction and never sees the wider host layer.
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
