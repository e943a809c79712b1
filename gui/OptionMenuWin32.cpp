// OptionMenu's popup on Windows: a native popup menu tracked modally
// (TrackPopupMenu), the choice delivered once it returns.
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/OptionMenu.h"
#include "gui/OptionMenuPopup.h"
#include "gui/TrackingScope.h"

namespace qp {

void OptionMenu::takeFocus(DrawContext* context) {
    lastMenu_ = nullptr;
    lastResult_ = -1;
    if (!frame_ || !frame_->getWindow()) {
        return;
    }
    HWND owner = win32::hwnd(frame_->getWindow());
    Point origin;
    if (context) {
        origin = context->getScreenOffset();
    } else {
        RECT r;
        GetWindowRect(owner, &r);
        origin = Point(r.left, r.top);
    }
    const std::int32_t x = origin.h + size_.left;
    const std::int32_t y = origin.v + ((style_ & kMenuPopupAtTop) ? size_.top : size_.bottom);

    // The popup's loop dispatches messages, and the host may close the editor in
    // there: this menu stays alive until the choice has been delivered, and the
    // frame is reached only while it lives.
    TrackingScope tracking(*this);
    OptionMenu* chosen = nullptr;
    std::int32_t index = -1;
    std::int32_t id = 0;
    {
        OptionMenuPopup popup(*this);
        id = popup.track(owner, x, y, (lastButtons_ & kButtonRight) != 0);
        if (id > 0) {
            chosen = popup.menuFor(id, index);
        }
    }
    Frame* frame = tracking.frame();
    if (frame) {
        frame->setEditView(nullptr);
        // The area handed over to repaint where the popup was may fall short of
        // it: LMMS's embedding window has a one-pixel border and Wine takes the
        // client origin a pixel off, which left a line of the popup at its right
        // edge. One paint of the whole frame (about 0.3 ms) leaves nothing behind.
        frame->invalidateWindow();
    }

    if (clickedBitmap_) {
        setDirty(true);
    }
    if (chosen && frame) {
        lastResult_ = id;
        chosen->setValue(float(index));
        lastMenu_ = chosen;
        if (listener_) {
            NativeDC target = nullptr;
            DrawContext* temporary = nullptr;
            if (!context && frame->getWindow()) {
                target = frame->acquireDrawTarget();
                context = temporary = new DrawContext(frame, target, frame->getWindow());
            }
            listener_->valueChanged(context, chosen);
            if (temporary) {
                delete temporary;
                Frame::releaseDrawTarget(owner, target);
            }
        }
    }
}

}  // namespace qp
