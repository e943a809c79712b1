// OptionMenuPopup on Windows: native popup menus, tracked with TrackPopupMenu.
#include "gui/OptionMenuPopup.h"

#include <algorithm>

#include "gui/NativeObjectsWin32.h"
#include "gui/OptionMenu.h"

namespace qp {

namespace {

// to must hold twice the entry size.
const char* doubleAmpersands(const char* text, char* to) {
    char* out = to;
    for (; *text; ++text) {
        if (*text == '&') {
            *out++ = '&';
        }
        *out++ = *text;
    }
    *out = '\0';
    return to;
}

}  // namespace

OptionMenuPopup::~OptionMenuPopup() {
    for (const Block& block : blocks_) {
        HMENU menu = win32::hmenu(block.native);
        for (int position = GetMenuItemCount(menu) - 1; position >= 0; --position) {
            if (GetSubMenu(menu, position)) {
                RemoveMenu(menu, UINT(position), MF_BYPOSITION);
            }
        }
    }
    for (const Block& block : blocks_) {
        native::destroyMenu(win32::hmenu(block.native));
    }
}

NativeMenu OptionMenuPopup::build(OptionMenu& menu, std::vector<OptionMenu*>& path) {
    HMENU native = native::createPopupMenu();
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
        const std::int32_t id = first + i;
        if (id >= kIdLimit) {
            break;
        }
        const char* text = entries.text(i);
        UINT flags = MF_STRING;
        if (columns && i != 0 && i % perColumn == 0) {
            flags |= MF_MENUBREAK;
        }
        const OptionMenuEntries::Kind kind = entries.kind(i);
        if (kind == OptionMenuEntries::Kind::separator) {
            AppendMenuA(native, (flags & MF_MENUBREAK) | MF_SEPARATOR, UINT_PTR(id), nullptr);
        } else if (kind == OptionMenuEntries::Kind::submenu) {
            OptionMenu* submenu = menu.getSubmenu(entries.submenuOrdinal(i));
            if (!submenu || std::find(path.begin(), path.end(), submenu) != path.end()) {
                continue;
            }
            HMENU popup = win32::hmenu(build(*submenu, path));
            if (popup) {
                AppendMenuA(native, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                            text + OptionMenuEntries::kMarkerSize);
            }
        } else if (kind == OptionMenuEntries::Kind::greyed) {
            AppendMenuA(native, flags | MF_GRAYED, UINT_PTR(id), text + OptionMenuEntries::kMarkerSize);
        } else if (kind == OptionMenuEntries::Kind::title) {
            AppendMenuA(native, flags | MF_DISABLED, UINT_PTR(id), text + OptionMenuEntries::kMarkerSize);
        } else {
            const bool checked = ((checkStyle & kMenuMultipleCheck) && entries.isChecked(i)) ||
                                 ((checkStyle & kMenuCheckCurrent) && i == entries.current());
            // The native menu takes "&" as a mnemonic marker; a literal entry shows its own.
            char doubled[2 * OptionMenuEntries::kEntrySize];
            if (entries.isLiteral(i)) {
                text = doubleAmpersands(text, doubled);
            }
            AppendMenuA(native, flags | (checked ? MF_CHECKED : MF_UNCHECKED), UINT_PTR(id), text);
        }
    }
    path.pop_back();
    return native;
}

std::int32_t OptionMenuPopup::track(NativeWindow owner, std::int32_t x, std::int32_t y, bool rightButton) {
    HMENU menu = win32::hmenu(nativeMenu());
    if (!menu) {
        return 0;
    }
    // The choice comes back as the answer, so no command message is posted to
    // the owner (nothing has to be fished out of its queue afterwards).
    const UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY |
                       (rightButton ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON);
    const BOOL chosen = TrackPopupMenu(menu, flags, x, y, 0, win32::hwnd(owner), nullptr);
    return (chosen > 0 && chosen < kIdLimit) ? std::int32_t(chosen) : 0;
}

}  // namespace qp
