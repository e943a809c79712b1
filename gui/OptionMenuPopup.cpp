// OptionMenuPopup's bookkeeping, the same on every platform: the identifiers of
// the blocks and the way back from an identifier to its menu and entry.
#include "gui/OptionMenuPopup.h"

#include <algorithm>

#include "gui/OptionMenu.h"

namespace qp {

OptionMenuPopup::OptionMenuPopup(OptionMenu& root) {
    std::vector<OptionMenu*> path;
    build(root, path);
}

NativeMenu OptionMenuPopup::build(OptionMenu& menu, std::vector<OptionMenu*>& path) {
    NativeMenu native = makeMenu();
    if (!native) {
        return nullptr;
    }
    const OptionMenuEntries& entries = menu.entries();
    const std::int32_t count = entries.count();
    const std::int32_t first = nextId_;
    nextId_ += count;
    blocks_.push_back(Block{&menu, first, count, native});
    path.push_back(&menu);

    const std::int32_t perColumn = menu.getEntriesPerColumn();
    const bool columns = count < kColumnBreakEntryLimit && perColumn > 0;
    const std::int32_t checkStyle = menu.getStyle();
    for (std::int32_t i = 0; i < count; ++i) {
        Entry entry{entries.kind(i), entries.text(i), false, false, false, first + i, nullptr, -1};
        if (entry.id >= kIdLimit) {
            break;
        }
        entry.columnBreak = columns && i != 0 && i % perColumn == 0;
        if (entry.kind == OptionMenuEntries::Kind::plain) {
            entry.literal = entries.isLiteral(i);
            entry.checked = ((checkStyle & kMenuMultipleCheck) && entries.isChecked(i)) ||
                            ((checkStyle & kMenuCheckCurrent) && i == entries.current());
        } else if (entry.kind != OptionMenuEntries::Kind::separator) {
            entry.text += OptionMenuEntries::kMarkerSize;
        }
        if (entry.kind == OptionMenuEntries::Kind::submenu) {
            OptionMenu* submenu = menu.getSubmenu(entries.submenuOrdinal(i));
            // A submenu that is missing or already on the way here is left out.
            if (!submenu || std::find(path.begin(), path.end(), submenu) != path.end()) {
                continue;
            }
            entry.submenuBlock = std::int32_t(blocks_.size());
            entry.submenu = build(*submenu, path);
            if (!entry.submenu) {
                continue;
            }
        }
        append(native, entry);
    }
    path.pop_back();
    return native;
}

OptionMenu* OptionMenuPopup::menuFor(std::int32_t id, std::int32_t& index) const {
    for (const Block& block : blocks_) {
        if (id >= block.first && id < block.first + block.count) {
            index = id - block.first;
            return block.menu;
        }
    }
    index = -1;
    return nullptr;
}

}  // namespace qp
