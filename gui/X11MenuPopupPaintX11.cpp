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
// Narrower than this a menu of short entries would look like a tooltip.
constexpr int kMinimumWidth = 60;
// Room after the text before the arrow column (or the border).
constexpr int kTextPadding = 8;

void setColor(cairo_t* cr, const Rgb& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void selectMenuFont(cairo_t* cr) {
    cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, MenuPopup::kFontSize);
}

}  // namespace

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

}  // namespace qp::x11
