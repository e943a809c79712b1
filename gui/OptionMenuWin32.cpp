// OptionMenu's popup on Windows: a native popup menu tracked modally
// (TrackPopupMenu), the choice delivered (deliverChoice) once it returns.
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/OptionMenu.h"
#include "gui/OptionMenuPopup.h"
#include "gui/TrackingScope.h"

namespace qp {

// Nothing outlives takeFocus here: the system's popup is modal.
struct OptionMenu::Popup {};

void OptionMenu::PopupDeleter::operator()(Popup* popup) const { delete popup; }

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
    deliverChoice(tracking.frame(), chosen, index, id, context);
}

void OptionMenu::loseFocus(DrawContext*) {
    // The popup is modal: it has closed by the time anybody could take focus away.
}

}  // namespace qp
