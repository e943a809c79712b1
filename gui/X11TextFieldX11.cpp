#include "gui/X11TextField.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace qp::x11 {

namespace {

// The selection's colours, those of the classic edit control.
constexpr double kSelection[3] = {0x33 / 255.0, 0x99 / 255.0, 0xFF / 255.0};
constexpr double kSelectedText[3] = {1.0, 1.0, 1.0};
// The edit control's text starts this far in (its margins are set to none; the
// pixel is its own inner edge).
constexpr double kMargin = 1.0;
// What XLookupString may hand over for one key.
constexpr int kTypedBuffer = 16;
// The first and the one-past-last ASCII control characters, and DEL.
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

void setColor(cairo_t* cr, const double (&c)[3]) { cairo_set_source_rgb(cr, c[0], c[1], c[2]); }

void selectFont(cairo_t* cr, const TextFieldLook& look) {
    cairo_select_font_face(cr, look.face.c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, look.size);
}

}  // namespace

TextField::TextField(Display* display, Window parent, int x, int y, int width, int height,
                     const std::string& text, std::size_t maxLength, const TextFieldLook& look,
                     TextFieldClient& client)
    : display_(display),
      width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      text_(text.substr(0, maxLength)),
      maxLength_(maxLength),
      caret_(text_.size()),
      look_(look),
      client_(client) {
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | FocusChangeMask;
    attributes.background_pixmap = None;
    const int screen = DefaultScreen(display_);
    window_ = XCreateWindow(display_, parent, x, y, unsigned(width_), unsigned(height_), 0, CopyFromParent,
                            InputOutput, CopyFromParent, CWEventMask | CWBackPixmap, &attributes);
    if (!window_) {
        return;
    }
    surface_ = cairo_xlib_surface_create(display_, window_, DefaultVisual(display_, screen), width_, height_);
    XMapRaised(display_, window_);
    // Focus can only go to a window on the screen (anything else is an error that
    // would end the host): a parent not shown yet leaves the focus where it is.
    XWindowAttributes parentState{};
    if (XGetWindowAttributes(display_, parent, &parentState) && parentState.map_state == IsViewable) {
        XGetInputFocus(display_, &previousFocus_, &previousRevert_);
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        tookFocus_ = true;
    }
    XFlush(display_);
}

TextField::~TextField() {
    if (surface_) {
        cairo_surface_destroy(surface_);
    }
    if (window_) {
        // Back to the host, unless the focus has moved on from the field since.
        Window focus = 0;
        int revert = 0;
        if (tookFocus_ && (XGetInputFocus(display_, &focus, &revert), focus == window_)) {
            XSetInputFocus(display_, previousFocus_, previousRevert_, CurrentTime);
        }
        XDestroyWindow(display_, window_);
        XFlush(display_);
    }
}

double TextField::widthOf(const std::string& text, std::size_t length) const {
    cairo_t* cr = cairo_create(surface_);
    selectFont(cr, look_);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.substr(0, length).c_str(), &extents);
    cairo_destroy(cr);
    return extents.x_advance;
}

double TextField::textStart(double textWidth, double caretX) {
    const double room = width_ - 2 * kMargin;
    if (textWidth <= room) {
        scroll_ = 0.0;
        switch (look_.align) {
            case TextFieldLook::Align::center:
                return std::floor((width_ - textWidth) / 2.0);
            case TextFieldLook::Align::right:
                return width_ - kMargin - textWidth;
            case TextFieldLook::Align::left:
                break;
        }
        return kMargin;
    }
    // Longer than the field: scrolled just far enough for the caret to show.
    if (caretX - scroll_ > room) {
        scroll_ = caretX - room;
    } else if (caretX < scroll_) {
        scroll_ = caretX;
    }
    scroll_ = std::clamp(scroll_, 0.0, textWidth - room);
    return kMargin - scroll_;
}

void TextField::paint() {
    cairo_t* cr = cairo_create(surface_);
    setColor(cr, look_.background);
    cairo_paint(cr);
    selectFont(cr, look_);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    const double textWidth = widthOf(text_, text_.size());
    const double caretX = widthOf(text_, caret_);
    const double start = textStart(textWidth, caretX);
    const double baseline = std::floor((height_ + font.ascent - font.descent) / 2.0);
    if (allSelected_ && !text_.empty()) {
        setColor(cr, kSelection);
        cairo_rectangle(cr, start, 0, textWidth, height_);
        cairo_fill(cr);
        setColor(cr, kSelectedText);
    } else {
        setColor(cr, look_.text);
    }
    cairo_move_to(cr, start, baseline);
    cairo_show_text(cr, text_.c_str());
    if (!allSelected_ || text_.empty()) {
        setColor(cr, look_.text);
        cairo_set_line_width(cr, 1.0);
        const double x = std::floor(start + caretX) + 0.5;
        cairo_move_to(cr, x, std::floor(baseline - font.ascent));
        cairo_line_to(cr, x, std::ceil(baseline + font.descent));
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
    XFlush(display_);
}

void TextField::insert(const char* typed, std::size_t length) {
    if (allSelected_) {
        text_.clear();
        caret_ = 0;
        allSelected_ = false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(typed[i]);
        if (c < kFirstPrintable || c == kDelete || text_.size() >= maxLength_) {
            continue;
        }
        text_.insert(caret_, 1, char(c));
        ++caret_;
    }
}

void TextField::erase(bool before) {
    if (allSelected_) {
        text_.clear();
        caret_ = 0;
        allSelected_ = false;
        return;
    }
    if (before && caret_ > 0) {
        text_.erase(--caret_, 1);
    } else if (!before && caret_ < text_.size()) {
        text_.erase(caret_, 1);
    }
}

void TextField::placeCaretAt(int x) {
    const double start = textStart(widthOf(text_, text_.size()), widthOf(text_, caret_));
    // The boundary nearest to the click.
    std::size_t best = 0;
    double bestDistance = std::abs(start - x);
    for (std::size_t i = 1; i <= text_.size(); ++i) {
        const double distance = std::abs(start + widthOf(text_, i) - x);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    caret_ = best;
    allSelected_ = false;
}

void TextField::handleEvent(const XEvent& event) {
    if (!window_ || event.xany.window != window_) {
        return;
    }
    switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) {
                paint();
            }
            return;
        case ButtonPress:
            if (event.xbutton.button == Button1) {
                placeCaretAt(event.xbutton.x);
                paint();
            }
            return;
        case FocusOut:
            // Grabs (a menu of the host opening) move the focus only for a while;
            // focus moving into a child is no loss, and the "pointer" events
            // only tell the window under the pointer about a change elsewhere.
            if (event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior &&
                event.xfocus.detail != NotifyPointer) {
                client_.textFieldEnded(FieldEnd::focusLost);
            }
            return;
        case KeyPress:
            break;
        default:
            return;
    }
    XKeyEvent key = event.xkey;
    char typed[kTypedBuffer] = {};
    KeySym sym = NoSymbol;
    const int length = XLookupString(&key, typed, sizeof(typed), &sym, nullptr);
    switch (sym) {
        case XK_Return:
        case XK_KP_Enter:
            client_.textFieldEnded(FieldEnd::enter);
            return;
        case XK_Escape:
            client_.textFieldEnded(FieldEnd::escape);
            return;
        case XK_BackSpace:
            erase(true);
            break;
        case XK_Delete:
        case XK_KP_Delete:
            erase(false);
            break;
        case XK_Left:
        case XK_KP_Left:
            caret_ = allSelected_ ? 0 : (caret_ > 0 ? caret_ - 1 : 0);
            allSelected_ = false;
            break;
        case XK_Right:
        case XK_KP_Right:
            caret_ = allSelected_ ? text_.size() : std::min(caret_ + 1, text_.size());
            allSelected_ = false;
            break;
        case XK_Home:
        case XK_KP_Home:
            caret_ = 0;
            allSelected_ = false;
            break;
        case XK_End:
        case XK_KP_End:
            caret_ = text_.size();
            allSelected_ = false;
            break;
        default:
            if (length <= 0) {
                return;
            }
            insert(typed, std::size_t(length));
            break;
    }
    paint();
}

}  // namespace qp::x11
