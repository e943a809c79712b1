// Implemented by a view that owns a native edit window (the text edit) so the
// frame can colour it: when the edit window asks its parent for colours, the
// frame passes the request to its edit view, if that view implements this.
#pragma once

#include "gui/NativeHandles.h"

struct HBRUSH__;

namespace qp {

class EditWindowColors {
public:
    // Set the text and background colours of dc and answer the brush that paints
    // the edit window's background. The view keeps (and later deletes) the brush;
    // it may replace the previous one on every call.
    virtual HBRUSH__* editWindowColors(NativeDC dc) = 0;

protected:
    ~EditWindowColors() = default;
};

}  // namespace qp
