// OptionMenu's popup on X11. For now there is none: a press that would open it
// ends at once with nothing chosen, as on Windows when the frame has no window.
// The toolkit-drawn, event-driven popup comes here; its choice is to be
// delivered by the same code the Windows side runs after TrackPopupMenu.
#include "gui/Frame.h"
#include "gui/OptionMenu.h"

namespace qp {

struct OptionMenu::Popup {};

void OptionMenu::PopupDeleter::operator()(Popup* popup) const { delete popup; }

void OptionMenu::loseFocus(DrawContext*) {}

void OptionMenu::takeFocus(DrawContext*) {
    lastMenu_ = nullptr;
    lastResult_ = -1;
    if (frame_ && frame_->getEditView() == this) {
        frame_->setEditView(nullptr);
    }
}

}  // namespace qp
