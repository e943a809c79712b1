// OptionMenuPopup on Windows: native popup menus, tracked with TrackPopupMenu.
#include "gui/OptionMenuPopup.h"

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

NativeMenu OptionMenuPopup::makeMenu() { return native::createPopupMenu(); }

void OptionMenuPopup::append(NativeMenu menu, const Entry& entry) {
    HMENU native = win32::hmenu(menu);
    const UINT flags = MF_STRING | (entry.columnBreak ? MF_MENUBREAK : 0);
    const UINT_PTR id = UINT_PTR(entry.id);
    switch (entry.kind) {
        case OptionMenuEntries::Kind::separator:
            AppendMenuA(native, (flags & MF_MENUBREAK) | MF_SEPARATOR, id, nullptr);
            break;
        case OptionMenuEntries::Kind::submenu:
            AppendMenuA(native, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(entry.submenu), entry.text);
            break;
        case OptionMenuEntries::Kind::greyed:
            AppendMenuA(native, flags | MF_GRAYED, id, entry.text);
            break;
        case OptionMenuEntries::Kind::title:
            AppendMenuA(native, flags | MF_DISABLED, id, entry.text);
            break;
        case OptionMenuEntries::Kind::plain: {
            // The native menu takes "&" as a mnemonic marker; a literal entry shows its own.
            char doubled[2 * OptionMenuEntries::kEntrySize];
            const char* text = entry.literal ? doubleAmpersands(entry.text, doubled) : entry.text;
            AppendMenuA(native, flags | (entry.checked ? MF_CHECKED : MF_UNCHECKED), id, text);
            break;
        }
    }
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
