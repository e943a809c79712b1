#include "gui/X11MenuPopup.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qp::x11 {

namespace {

// Colours of a classic light menu.
struct Rgb {
    double r, g, b;
};
constexpr Rgb kMenuBackground{0xF0 / 255.0, 0xF0 / 255.0, 0xF0 / 255.0};
constexpr Rgb kMenuBorder{0x97 / 255.0, 0x97 / 255.0, 0x97 / 255.0};
constexpr Rgb kMenuText{0.0, 0.0, 0.0};
constexpr Rgb kGreyedText{0x6D / 255.0, 0x6D / 255.0, 0x6D / 255.0};
constexpr Rgb kHighlight{0x33 / 255.0, 0x99 / 255.0, 0xFF / 255.0};
constexpr Rgb kHighlightText{1.0, 1.0, 1.0};
constexpr Rgb kSeparatorDark{0xA0 / 255.0, 0xA0 / 255.0, 0xA0 / 255.0};
constexpr Rgb kSeparatorLight{1.0, 1.0, 1.0};

constexpr char kFontFace[] = "sans-serif";
// Narrower than this a menu of short entries would look like a tooltip.
constexpr int kMinimumWidth = 60;
// Room after the text before the arrow column (or the border).
constexpr int kTextPadding = 8;

void setColor(cairo_t* cr, const Rgb& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void selectMenuFont(cairo_t* cr) {
    cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, MenuPopup::kFontSize);
}

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

MenuPopup::MenuPopup(Display* display, std::vector<PopupLevel> levels, MenuPopupClient& client)
    : display_(display),
      levels_(std::move(levels)),
      client_(client) {}

MenuPopup::~MenuPopup() { close(); }

bool MenuPopup::selectable(const PopupItem& item) const {
    return item.kind == PopupItem::Kind::plain ||
           (item.kind == PopupItem::Kind::submenu && item.submenu > 0 &&
            std::size_t(item.submenu) < levels_.size());
}

const PopupItem& MenuPopup::itemOf(std::size_t depth, int item) const {
    return levels_[std::size_t(shown_[depth].level)].items[std::size_t(item)];
}

void MenuPopup::layout(std::int32_t level, std::vector<Box>& boxes, int& width, int& height) const {
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    selectMenuFont(cr);

    const std::vector<PopupItem>& items = levels_[std::size_t(level)].items;
    boxes.assign(items.size(), Box{0, 0, 0, 0});
    int columnX = kBorder;
    int columnWidth = 0;
    int y = kBorder;
    height = 0;
    std::size_t columnStart = 0;
    auto endColumn = [&](std::size_t end) {
        columnWidth = std::max(columnWidth, kMinimumWidth);
        for (std::size_t i = columnStart; i < end; ++i) {
            boxes[i].x = columnX;
            boxes[i].width = columnWidth;
        }
        columnX += columnWidth;
        columnWidth = 0;
        columnStart = end;
    };
    // A menu taller than the screen goes on in a further column, as the
    // platform's menus do.
    const int screenHeight = DisplayHeight(display_, DefaultScreen(display_));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const int itemHeight = items[i].kind == PopupItem::Kind::separator ? kSeparatorHeight : kItemHeight;
        if ((items[i].columnBreak || y + itemHeight + kBorder > screenHeight) && i > columnStart) {
            endColumn(i);
            y = kBorder;
        }
        cairo_text_extents_t extents;
        cairo_text_extents(cr, items[i].text.c_str(), &extents);
        columnWidth =
            std::max(columnWidth, kCheckGutter + int(extents.x_advance + 0.5) + kTextPadding + kArrowGutter);
        boxes[i].y = y;
        boxes[i].height = itemHeight;
        y += itemHeight;
        height = std::max(height, y);
    }
    endColumn(items.size());
    width = columnX + kBorder;
    height = std::max(height, kBorder) + kBorder;

    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
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
    const Window grabWindow = shown_.front().window;
    constexpr unsigned int kPointerEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    grabbedPointer_ = XGrabPointer(display_, grabWindow, False, kPointerEvents, GrabModeAsync, GrabModeAsync,
                                   None, None, CurrentTime) == GrabSuccess;
    grabbedKeyboard_ =
        XGrabKeyboard(display_, grabWindow, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
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

void MenuPopup::paint(const Shown& shown) const {
    cairo_t* cr = cairo_create(shown.surface);
    setColor(cr, kMenuBackground);
    cairo_paint(cr);
    cairo_set_line_width(cr, 1.0);
    setColor(cr, kMenuBorder);
    cairo_rectangle(cr, 0.5, 0.5, shown.width - 1.0, shown.height - 1.0);
    cairo_stroke(cr);

    selectMenuFont(cr);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    const std::vector<PopupItem>& items = levels_[std::size_t(shown.level)].items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const PopupItem& item = items[i];
        const Box& box = shown.boxes[i];
        if (item.kind == PopupItem::Kind::separator) {
            const double middle = box.y + box.height / 2;
            setColor(cr, kSeparatorDark);
            cairo_move_to(cr, box.x + 1, middle - 0.5);
            cairo_line_to(cr, box.x + box.width - 1, middle - 0.5);
            cairo_stroke(cr);
            setColor(cr, kSeparatorLight);
            cairo_move_to(cr, box.x + 1, middle + 0.5);
            cairo_line_to(cr, box.x + box.width - 1, middle + 0.5);
            cairo_stroke(cr);
            continue;
        }
        const bool lit = int(i) == shown.highlight;
        if (lit) {
            setColor(cr, kHighlight);
            cairo_rectangle(cr, box.x, box.y, box.width, box.height);
            cairo_fill(cr);
        }
        const Rgb& ink =
            lit ? kHighlightText : (item.kind == PopupItem::Kind::greyed ? kGreyedText : kMenuText);
        setColor(cr, ink);
        const double baseline = box.y + (box.height + font.ascent - font.descent) / 2.0;
        cairo_move_to(cr, box.x + kCheckGutter, std::floor(baseline));
        cairo_show_text(cr, item.text.c_str());
        if (item.checked) {
            // A tick in the gutter, the size of a lower-case letter.
            const double left = box.x + 7.0;
            const double middle = box.y + box.height / 2.0;
            cairo_set_line_width(cr, 2.0);
            cairo_move_to(cr, left, middle);
            cairo_line_to(cr, left + 3.0, middle + 3.0);
            cairo_line_to(cr, left + 9.0, middle - 4.0);
            cairo_stroke(cr);
            cairo_set_line_width(cr, 1.0);
        }
        if (item.kind == PopupItem::Kind::submenu) {
            const double tip = box.x + box.width - 8.0;
            const double middle = box.y + box.height / 2.0;
            cairo_move_to(cr, tip, middle);
            cairo_line_to(cr, tip - 4.0, middle - 4.0);
            cairo_line_to(cr, tip - 4.0, middle + 4.0);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
    }
    cairo_destroy(cr);
    cairo_surface_flush(shown.surface);
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
    if (!showLevel(level, parent.x + parent.width - kSubmenuOverlap, parent.y + box.y - kBorder,
                   parent.x + kSubmenuOverlap)) {
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
            if (std::abs(event.xmotion.x_root - openedAtX_) >= kArmDistance ||
                std::abs(event.xmotion.y_root - openedAtY_) >= kArmDistance) {
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
