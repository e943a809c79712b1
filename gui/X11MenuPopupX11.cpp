// The popup's life and input: opening and closing its levels, the grabs, the
// highlight, keys and clicks. How a level is laid out and painted is in
// X11MenuPopupPaintX11.cpp.
#include "gui/X11MenuPopup.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <cstdlib>

namespace qp::x11 {

namespace {

// The keys that move around a menu; anything else is ignored.
enum class MenuKey {
    none,
    up,
    down,
    left,
    right,
    enter,
    escape
};

MenuKey menuKey(const XKeyEvent& key) {
    XKeyEvent copy = key;
    switch (XLookupKeysym(&copy, 0)) {
        case XK_Up:
        case XK_KP_Up:
            return MenuKey::up;
        case XK_Down:
        case XK_KP_Down:
            return MenuKey::down;
        case XK_Left:
        case XK_KP_Left:
            return MenuKey::left;
        case XK_Right:
        case XK_KP_Right:
            return MenuKey::right;
        case XK_Return:
        case XK_KP_Enter:
        case XK_space:
            return MenuKey::enter;
        case XK_Escape:
            return MenuKey::escape;
        default:
            return MenuKey::none;
    }
}

// The wheel and the side buttons neither choose nor dismiss.
bool isClickButton(unsigned int button) { return button >= Button1 && button <= Button3; }

}  // namespace

MenuPopup::MenuPopup(Display* display, Window owner, std::vector<PopupLevel> levels, MenuPopupClient& client,
                     std::int32_t percent)
    : display_(display),
      owner_(owner),
      levels_(std::move(levels)),
      client_(client),
      metrics_(nearestZoomStep(percent / double(kUnzoomed))) {}

MenuPopup::~MenuPopup() { close(); }

bool MenuPopup::selectable(const PopupItem& item) const {
    return item.kind == PopupItem::Kind::plain ||
           (item.kind == PopupItem::Kind::submenu && item.submenu > 0 &&
            std::size_t(item.submenu) < levels_.size());
}

const PopupItem& MenuPopup::itemOf(std::size_t depth, int item) const {
    return levels_[std::size_t(shown_[depth].level)].items[std::size_t(item)];
}

bool MenuPopup::open(int x, int y) {
    close();
    if (levels_.empty() || levels_[0].items.empty()) {
        return false;
    }
    Window root = 0;
    Window child = 0;
    int winX = 0;
    int winY = 0;
    unsigned int mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &openedAtX_, &openedAtY_, &winX,
                  &winY, &mask);
    armed_ = false;
    if (!showLevel(0, x, y, x)) {
        return false;
    }
    constexpr unsigned int kPointerEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    grabSerial_ = NextRequest(display_);
    grabbedPointer_ = XGrabPointer(display_, owner_, False, kPointerEvents, GrabModeAsync, GrabModeAsync,
                                   None, None, CurrentTime) == GrabSuccess;
    grabbedKeyboard_ =
        XGrabKeyboard(display_, owner_, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    XFlush(display_);
    return true;
}

bool MenuPopup::showLevel(std::int32_t level, int x, int y, int anchorLeft) {
    Shown shown{level, 0, nullptr, 0, 0, 0, 0, {}, -1};
    layout(level, shown.boxes, shown.width, shown.height);

    // Kept on the screen: a menu that would run off the right edge goes left of
    // its anchor (a submenu to the left of its parent), one that would run off the
    // bottom goes up.
    const int screen = DefaultScreen(display_);
    const int screenWidth = DisplayWidth(display_, screen);
    const int screenHeight = DisplayHeight(display_, screen);
    if (x + shown.width > screenWidth) {
        x = std::max(0, anchorLeft - shown.width);
    }
    if (y + shown.height > screenHeight) {
        y = std::max(0, screenHeight - shown.height);
    }
    shown.x = x;
    shown.y = y;

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.save_under = True;
    attributes.background_pixmap = None;
    attributes.event_mask =
        ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    const Visual* visual = DefaultVisual(display_, screen);
    shown.window = XCreateWindow(display_, RootWindow(display_, screen), x, y, unsigned(shown.width),
                                 unsigned(shown.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                 CWOverrideRedirect | CWSaveUnder | CWBackPixmap | CWEventMask, &attributes);
    if (!shown.window) {
        return false;
    }
    shown.surface = cairo_xlib_surface_create(display_, shown.window, const_cast<Visual*>(visual),
                                              shown.width, shown.height);
    shown_.push_back(shown);
    client_.popupWindowMade(shown.window);
    XMapRaised(display_, shown.window);
    return true;
}

void MenuPopup::closeFrom(std::size_t depth) {
    while (shown_.size() > depth) {
        Shown& last = shown_.back();
        const Window window = last.window;
        cairo_surface_destroy(last.surface);
        shown_.pop_back();
        XDestroyWindow(display_, window);
        client_.popupWindowGone(window);
    }
}

void MenuPopup::close() {
    if (grabbedPointer_) {
        XUngrabPointer(display_, CurrentTime);
        grabbedPointer_ = false;
    }
    if (grabbedKeyboard_) {
        XUngrabKeyboard(display_, CurrentTime);
        grabbedKeyboard_ = false;
    }
    const bool hadWindows = !shown_.empty();
    closeFrom(0);
    if (hadWindows) {
        XFlush(display_);
    }
}

std::vector<Window> MenuPopup::windows() const {
    std::vector<Window> all;
    for (const Shown& shown : shown_) {
        all.push_back(shown.window);
    }
    return all;
}

bool MenuPopup::itemOnScreen(std::size_t depth, std::size_t item, int& x, int& y, int& width,
                             int& height) const {
    if (depth >= shown_.size() || item >= shown_[depth].boxes.size()) {
        return false;
    }
    const Box& box = shown_[depth].boxes[item];
    x = shown_[depth].x + box.x;
    y = shown_[depth].y + box.y;
    width = box.width;
    height = box.height;
    return true;
}

int MenuPopup::highlighted(std::size_t depth) const {
    return depth < shown_.size() ? shown_[depth].highlight : -1;
}

bool MenuPopup::hit(int rootX, int rootY, int& depth, int& item) const {
    // The innermost level first: it lies over its parent where they overlap.
    for (std::size_t d = shown_.size(); d-- > 0;) {
        const Shown& shown = shown_[d];
        const int x = rootX - shown.x;
        const int y = rootY - shown.y;
        if (x < 0 || y < 0 || x >= shown.width || y >= shown.height) {
            continue;
        }
        depth = int(d);
        item = -1;
        for (std::size_t i = 0; i < shown.boxes.size(); ++i) {
            const Box& box = shown.boxes[i];
            if (x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height) {
                item = int(i);
                break;
            }
        }
        return true;
    }
    depth = -1;
    item = -1;
    return false;
}

void MenuPopup::setHighlight(std::size_t depth, int item) {
    Shown& shown = shown_[depth];
    if (shown.highlight == item) {
        return;
    }
    shown.highlight = item;
    paint(shown);
    XFlush(display_);
}

void MenuPopup::openSubmenu(std::size_t depth, bool highlightFirst) {
    const int item = shown_[depth].highlight;
    if (item < 0 || itemOf(depth, item).kind != PopupItem::Kind::submenu ||
        !selectable(itemOf(depth, item))) {
        return;
    }
    const std::int32_t level = itemOf(depth, item).submenu;
    if (shown_.size() > depth + 1 && shown_[depth + 1].level == level) {
        if (highlightFirst && shown_[depth + 1].highlight < 0) {
            step(1);
        }
        return;
    }
    closeFrom(depth + 1);
    const Shown& parent = shown_[depth];
    const Box& box = parent.boxes[std::size_t(item)];
    if (!showLevel(level, parent.x + parent.width - metrics_.submenuOverlap,
                   parent.y + box.y - metrics_.border, parent.x + metrics_.submenuOverlap)) {
        return;
    }
    if (highlightFirst) {
        step(1);
    }
}

void MenuPopup::hover(int depth, int item) {
    if (depth < 0) {
        // Off the menu: the innermost level lets go of its highlight, unless it
        // is the entry whose submenu stays open.
        const std::size_t last = shown_.size() - 1;
        if (shown_[last].highlight >= 0) {
            setHighlight(last, -1);
        }
        return;
    }
    const std::size_t d = std::size_t(depth);
    const bool canLight = item >= 0 && selectable(itemOf(d, item));
    if (!canLight) {
        // A separator or title under the pointer: deeper levels stay as they are
        // unless their parent entry is left for another.
        if (shown_.size() == d + 1) {
            setHighlight(d, -1);
        }
        return;
    }
    setHighlight(d, item);
    if (itemOf(d, item).kind == PopupItem::Kind::submenu) {
        openSubmenu(d, false);
    } else {
        closeFrom(d + 1);
    }
}

void MenuPopup::step(int direction) {
    Shown& shown = shown_.back();
    const int count = int(shown.boxes.size());
    int item = shown.highlight;
    for (int tries = 0; tries < count; ++tries) {
        item = item < 0 ? (direction > 0 ? 0 : count - 1) : (item + direction + count) % count;
        if (selectable(itemOf(shown_.size() - 1, item))) {
            setHighlight(shown_.size() - 1, item);
            return;
        }
    }
}

void MenuPopup::finish(std::int32_t id) {
    close();
    // Last: the client may delete this popup.
    client_.popupClosed(id);
}

void MenuPopup::handleEvent(const XEvent& event) {
    if (shown_.empty()) {
        return;
    }
    switch (event.type) {
        case LeaveNotify:
        case FocusOut:
            // The server ended the grabs: the owner went off the screen.
            // (Not the end of an earlier popup's grabs, which the server may
            // report after this one opened.)
            if (event.xany.window == owner_ && event.xany.serial >= grabSerial_ &&
                (event.type == LeaveNotify ? event.xcrossing.mode : event.xfocus.mode) == NotifyUngrab) {
                finish(0);
            }
            return;
        case DestroyNotify:
            if (event.xdestroywindow.window == owner_) {
                finish(0);
            }
            return;
        case Expose:
            if (event.xexpose.count == 0) {
                for (const Shown& shown : shown_) {
                    if (shown.window == event.xexpose.window) {
                        paint(shown);
                    }
                }
                XFlush(display_);
            }
            break;
        case MotionNotify: {
            if (std::abs(event.xmotion.x_root - openedAtX_) >= metrics_.armDistance ||
                std::abs(event.xmotion.y_root - openedAtY_) >= metrics_.armDistance) {
                armed_ = true;
            }
            int depth = -1;
            int item = -1;
            hit(event.xmotion.x_root, event.xmotion.y_root, depth, item);
            hover(depth, item);
            break;
        }
        case ButtonPress: {
            if (!isClickButton(event.xbutton.button)) {
                break;
            }
            int depth = -1;
            int item = -1;
            if (!hit(event.xbutton.x_root, event.xbutton.y_root, depth, item)) {
                finish(0);
                return;
            }
            armed_ = true;
            hover(depth, item);
            break;
        }
        case ButtonRelease: {
            int depth = -1;
            int item = -1;
            if (!isClickButton(event.xbutton.button) || !armed_ ||
                !hit(event.xbutton.x_root, event.xbutton.y_root, depth, item) || item < 0) {
                break;
            }
            const PopupItem& chosen = itemOf(std::size_t(depth), item);
            if (chosen.kind == PopupItem::Kind::plain && chosen.id > 0) {
                finish(chosen.id);
                return;
            }
            break;
        }
        case KeyPress:
            switch (menuKey(event.xkey)) {
                case MenuKey::up:
                    step(-1);
                    break;
                case MenuKey::down:
                    step(1);
                    break;
                case MenuKey::right:
                    openSubmenu(shown_.size() - 1, true);
                    break;
                case MenuKey::left:
                    if (shown_.size() > 1) {
                        closeFrom(shown_.size() - 1);
                        XFlush(display_);
                    }
                    break;
                case MenuKey::escape:
                    if (shown_.size() > 1) {
                        closeFrom(shown_.size() - 1);
                        XFlush(display_);
                    } else {
                        finish(0);
                        return;
                    }
                    break;
                case MenuKey::enter: {
                    const int item = shown_.back().highlight;
                    if (item < 0) {
                        break;
                    }
                    const PopupItem& chosen = itemOf(shown_.size() - 1, item);
                    if (chosen.kind == PopupItem::Kind::submenu) {
                        openSubmenu(shown_.size() - 1, true);
                    } else if (chosen.id > 0) {
                        finish(chosen.id);
                        return;
                    }
                    break;
                }
                case MenuKey::none:
                    break;
            }
            break;
        default:
            break;
    }
}

}  // namespace qp::x11
