// What the frame needs from whoever created it (the editor), kept as a small
// interface so the toolkit does not depend on the editor. The editor's gui base
// implements it; a frame without an owner simply skips these calls.
#pragma once

#include <cstdint>

#include "gui/KnobMode.h"

namespace qp {

class FrameOwner {
public:
    // Bracket a mouse drag of the control with this tag; they reach the host as
    // the begin and end of an automation gesture.
    virtual void beginEdit(std::int32_t tag) = 0;
    virtual void endEdit(std::int32_t tag) = 0;
    // One step of idle work inside a control's tracking loop: redraw dirty views
    // now and then, dispatch a pending paint, give the host idle time.
    virtual void wait() = 0;
    // The toolkit-wide knob mode.
    virtual KnobMode getKnobMode() const = 0;
    // The system tells the window it now shows at another scale (1.0: 96 dots
    // per inch), as when the host's window moves to a monitor of another DPI.
    virtual void windowScaleChanged(double) {}

protected:
    ~FrameOwner() = default;
};

}  // namespace qp
