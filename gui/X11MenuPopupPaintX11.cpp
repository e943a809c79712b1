// How a level of the popup looks: its entries laid out in columns and painted
// in the classic light menu's colours.
#include <X11/Xlib.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "gui/X11MenuPopup.h"

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

void setColor(cairo_t* cr, const Rgb& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void selectMenuFont(cairo_t* cr, double size) {
    cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

// A horizontal line `width` pixels thick whose top is at y: on whole pixels
// at every width, since y is whole.
void horizontalLine(cairo_t* cr, double left, double right, int y, int width) {
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, left, y + width / 2.0);
    cairo_line_to(cr, right, y + width / 2.0);
    cairo_stroke(cr);
}

}  // namespace

void MenuPopup::layout(std::int32_t level, std::vector<Box>& boxes, int& width, int& height) const {
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    selectMenuFont(cr, metrics_.fontSize);
    const Metrics& m = metrics_;

    const std::vector<PopupItem>& items = levels_[std::size_t(level)].items;
    boxes.assign(items.size(), Box{0, 0, 0, 0});
    int columnX = m.border;
    int columnWidth = 0;
    int y = m.border;
    height = 0;
    std::size_t columnStart = 0;
    auto endColumn = [&](std::size_t end) {
        columnWidth = std::max(columnWidth, m.minimumWidth);
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
        const int itemHeight = items[i].kind == PopupItem::Kind::separator ? m.separatorHeight : m.itemHeight;
        if ((items[i].columnBreak || y + itemHeight + m.border > screenHeight) && i > columnStart) {
            endColumn(i);
            y = m.border;
        }
        cairo_text_extents_t extents;
        cairo_text_extents(cr, items[i].text.c_str(), &extents);
        columnWidth = std::max(columnWidth,
                               m.checkGutter + int(extents.x_advance + 0.5) + m.textPadding + m.arrowGutter);
        boxes[i].y = y;
        boxes[i].height = itemHeight;
        y += itemHeight;
        height = std::max(height, y);
    }
    endColumn(items.size());
    width = columnX + m.border;
    height = std::max(height, m.border) + m.border;

    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
}

void MenuPopup::paint(const Shown& shown) const {
    const Metrics& m = metrics_;
    cairo_t* cr = cairo_create(shown.surface);
    setColor(cr, kMenuBackground);
    cairo_paint(cr);
    cairo_set_line_width(cr, m.line);
    setColor(cr, kMenuBorder);
    cairo_rectangle(cr, m.line / 2.0, m.line / 2.0, shown.width - m.line, shown.height - m.line);
    cairo_stroke(cr);

    selectMenuFont(cr, m.fontSize);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    const std::vector<PopupItem>& items = levels_[std::size_t(shown.level)].items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const PopupItem& item = items[i];
        const Box& box = shown.boxes[i];
        if (item.kind == PopupItem::Kind::separator) {
            // A groove: a dark line above the middle, a light one below it.
            const int middle = box.y + box.height / 2;
            setColor(cr, kSeparatorDark);
            horizontalLine(cr, box.x + m.line, box.x + box.width - m.line, middle - m.line, m.line);
            setColor(cr, kSeparatorLight);
            horizontalLine(cr, box.x + m.line, box.x + box.width - m.line, middle, m.line);
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
        cairo_move_to(cr, box.x + m.checkGutter, std::floor(baseline));
        cairo_show_text(cr, item.text.c_str());
        const double middle = box.y + box.height / 2.0;
        if (item.checked) {
            // A tick in the gutter, the size of a lower-case letter.
            const double left = box.x + m(7);
            cairo_set_line_width(cr, m(2));
            cairo_move_to(cr, left, middle);
            cairo_line_to(cr, left + m(3), middle + m(3));
            cairo_line_to(cr, left + m(9), middle - m(4));
            cairo_stroke(cr);
        }
        if (item.kind == PopupItem::Kind::submenu) {
            const double tip = box.x + box.width - m(8);
            cairo_move_to(cr, tip, middle);
            cairo_line_to(cr, tip - m(4), middle - m(4));
            cairo_line_to(cr, tip - m(4), middle + m(4));
            cairo_close_path(cr);
            cairo_fill(cr);
        }
    }
    cairo_destroy(cr);
    cairo_surface_flush(shown.surface);
}

}  // namespace qp::x11
