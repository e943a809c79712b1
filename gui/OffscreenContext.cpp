// OffscreenContext's part that is the same on every platform.
#include "gui/OffscreenContext.h"

namespace qp {

void OffscreenContext::clearToBackground() {
    const Rect all(0, 0, width_, height_);
    setFillColor(backgroundColor_);
    setLineColor(backgroundColor_);
    fillRect(all);
    drawRectOutline(all);
}

}  // namespace qp
