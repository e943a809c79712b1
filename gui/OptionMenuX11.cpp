// OptionMenu's popup on X11: the toolkit's own (X11MenuPopup), opened by
// takeFocus, which returns at once. The popup's windows are routed to it through
// the frame's event pump, and its end delivers the choice from there, through
// the same deliverChoice the Windows popup ends in.
#include <X11/Xlib.h>

#include <memory>
#include <vector>

#include "gui/ControlListener.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/OptionMenuPopup.h"
#include "gui/TrackingScope.h"
#include "gui/X11Events.h"
#include "gui/X11MenuPopup.h"

namespace qp {

// One open popup: the menus' model (identifiers, menuFor) and the windows that
// show it, whose events the frame's pump hands here.
struct OptionMenu::Popup final : x11::MenuPopupClient, x11::EventSink {
    Popup(OptionMenu& root, Frame& owner, Display* display, Window grabWindow)
        : menu(root),
          frame(owner),
          model(root) {
        std::vector<x11::PopupLevel> levels;
        for (std::int32_t k = 0; k < model.menuCount(); ++k) {
            levels.push_back(*static_cast<const x11::PopupLevel*>(model.nativeMenuAt(k)));
        }
        // Drawn at the frame's step, as big as the editor it opens from.
        windows =
            std::make_unique<x11::MenuPopup>(display, grabWindow, std::move(levels), *this, frame.getZoom());
        // The popup's grabs report on the frame's window: what they report is
        // the popup's, not the face's.
        x11::holdInput(frame, this);
    }
    ~Popup() { x11::releaseInput(frame, this); }

    void popupWindowMade(Window window) override { x11::addSink(frame, window, this); }
    void popupWindowGone(Window window) override { x11::removeSink(frame, window); }
    void popupClosed(std::int32_t id) override { menu.popupEnded(id); }
    void handleEvent(const XEvent& event) override { windows->handleEvent(event); }

    OptionMenu& menu;
    Frame& frame;
    OptionMenuPopup model;
    std::unique_ptr<x11::MenuPopup> windows;
};

void OptionMenu::PopupDeleter::operator()(Popup* popup) const {
    // The windows go first, while their sinks can still be taken away.
    popup->windows->close();
    delete popup;
}

void OptionMenu::takeFocus(DrawContext*) {
    lastMenu_ = nullptr;
    lastResult_ = -1;
    if (popup_ || !frame_) {
        return;
    }
    Display* display = x11::display(*frame_);
    const Window window = x11::window(*frame_);
    if (!display || !window) {
        return;
    }
    // Where the frame's window lies on the screen, asked of the server: the
    // embedding host may have moved it since any context was made.
    int originX = 0;
    int originY = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &originX, &originY,
                               &child)) {
        return;
    }
    const int x = originX + size_.left;
    const int y = originY + ((style_ & kMenuPopupAtTop) ? size_.top : size_.bottom);

    // The open popup is tied to the edit view: whatever takes that away (the
    // frame going among others) closes the popup through loseFocus.
    if (frame_->getEditView() != this && !frame_->setEditView(this)) {
        return;
    }
    popup_.reset(new Popup(*this, *frame_, display, window));
    if (!popup_->windows->open(x, y)) {
        // Nothing to show: over at once, as an empty native menu is.
        popupEnded(0);
    }
}

void OptionMenu::popupEnded(std::int32_t id) {
    // The listener reaches the host, which may close the editor from there: the
    // menu (and with it the chosen submenu) stays alive until it is done.
    TrackingScope tracking(*this);
    std::int32_t index = -1;
    OptionMenu* chosen = (popup_ && id > 0) ? popup_->model.menuFor(id, index) : nullptr;
    // The popup (whose last act was the call here) goes before anything else
    // runs: whatever hands the focus around below finds no popup open.
    popup_.reset();
    deliverChoice(tracking.frame(), chosen, index, id, nullptr);
}

void OptionMenu::loseFocus(DrawContext*) {
    // Another view took the focus, or the frame is going: the popup closes with no
    // choice and nothing is delivered (the frame is in the middle of its change).
    if (!popup_) {
        return;
    }
    popup_.reset();
    if (clickedBitmap_) {
        setDirty(true);
    }
}

}  // namespace qp
