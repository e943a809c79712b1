// OptionMenuPopup on X11: each menu of the popup is an x11::PopupLevel, built
// from the same entries and by the same rules as the Windows popup menus
// (identifiers, left-out submenus, column breaks, check marks), which the
// toolkit's popup (X11MenuPopup) shows. A submenu entry names its menu's level
// by the block's position, root first.
#include <algorithm>
#include <string>

#include "gui/OptionMenu.h"
#include "gui/OptionMenuPopup.h"
#include "gui/X11MenuPopup.h"

namespace qp {

namespace {

// The menu's "&" marks the next character as a mnemonic (not shown as such
// here) and "&&" stands for one "&", as the Windows menus take them.
std::string withoutMnemonics(const char* text) {
    std::string shown;
    for (; *text; ++text) {
        if (*text == '&') {
            if (text[1] != '&') {
                continue;
            }
            ++text;
        }
        shown += *text;
    }
    return shown;
}

x11::PopupLevel* levelOf(NativeMenu menu) { return static_cast<x11::PopupLevel*>(menu); }

}  // namespace

OptionMenuPopup::~OptionMenuPopup() {
    for (const Block& block : blocks_) {
        delete levelOf(block.native);
    }
}

NativeMenu OptionMenuPopup::build(OptionMenu& menu, std::vector<OptionMenu*>& path) {
    using Kind = OptionMenuEntries::Kind;
    using Item = x11::PopupItem;
    auto* level = new (std::nothrow) x11::PopupLevel;
    if (!level) {
        return nullptr;
    }
    const OptionMenuEntries& entries = menu.entries();
    const std::int32_t count = entries.count();
    const std::int32_t first = nextId_;
    nextId_ += count;
    blocks_.push_back(Block{&menu, first, count, level});
    path.push_back(&menu);

    const std::int32_t perColumn = menu.getEntriesPerColumn();
    const bool columns = count < kColumnBreakEntryLimit && perColumn > 0;
    const std::int32_t checkStyle = menu.getStyle();
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t id = first + i;
        if (id >= kIdLimit) {
            break;
        }
        Item item;
        item.columnBreak = columns && i != 0 && i % perColumn == 0;
        const char* text = entries.text(i);
        const char* unmarked = text + OptionMenuEntries::kMarkerSize;
        switch (entries.kind(i)) {
            case Kind::separator:
                item.kind = Item::Kind::separator;
                break;
            case Kind::submenu: {
                OptionMenu* submenu = menu.getSubmenu(entries.submenuOrdinal(i));
                // A submenu that is missing or already on the way here is left out.
                if (!submenu || std::find(path.begin(), path.end(), submenu) != path.end()) {
                    continue;
                }
                const std::int32_t submenuLevel = std::int32_t(blocks_.size());
                if (!build(*submenu, path)) {
                    continue;
                }
                item.kind = Item::Kind::submenu;
                item.text = withoutMnemonics(unmarked);
                item.submenu = submenuLevel;
                break;
            }
            case Kind::greyed:
                item.kind = Item::Kind::greyed;
                item.text = withoutMnemonics(unmarked);
                break;
            case Kind::title:
                item.kind = Item::Kind::title;
                item.text = withoutMnemonics(unmarked);
                break;
            case Kind::plain:
                item.id = id;
                item.text = entries.isLiteral(i) ? std::string(text) : withoutMnemonics(text);
                item.checked = ((checkStyle & kMenuMultipleCheck) && entries.isChecked(i)) ||
                               ((checkStyle & kMenuCheckCurrent) && i == entries.current());
                break;
        }
        level->items.push_back(std::move(item));
    }
    path.pop_back();
    return level;
}

}  // namespace qp
