// OptionMenuPopup on X11: each menu of the popup is an x11::PopupLevel, built
// from the same entries and by the same rules as the Windows popup menus
// (identifiers, left-out submenus, column breaks, check marks), which the
// toolkit's popup (X11MenuPopup) shows. A submenu entry names its menu's level
// by the block's position, root first.
#include <new>
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

NativeMenu OptionMenuPopup::makeMenu() { return new (std::nothrow) x11::PopupLevel; }

void OptionMenuPopup::append(NativeMenu menu, const Entry& entry) {
    x11::PopupItem item;
    item.kind = entry.kind;
    item.columnBreak = entry.columnBreak;
    switch (entry.kind) {
        case OptionMenuEntries::Kind::separator:
            break;
        case OptionMenuEntries::Kind::submenu:
            item.text = withoutMnemonics(entry.text);
            item.submenu = entry.submenuBlock;
            break;
        case OptionMenuEntries::Kind::greyed:
        case OptionMenuEntries::Kind::title:
            item.text = withoutMnemonics(entry.text);
            break;
        case OptionMenuEntries::Kind::plain:
            item.id = entry.id;
            item.text = entry.literal ? std::string(entry.text) : withoutMnemonics(entry.text);
            item.checked = entry.checked;
            break;
    }
    levelOf(menu)->items.push_back(std::move(item));
}

}  // namespace qp
