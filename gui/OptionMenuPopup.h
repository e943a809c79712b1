// The native popup menu of an OptionMenu and its submenus, for one popup.
//
// Command identifiers are numbered consecutively: the root menu takes the first
// block (one identifier per entry, separators included), then each submenu, in
// the order met, depth first. A submenu that contains a menu it is already
// inside is left out rather than followed for ever.
//
// Ownership: every native menu made here is destroyed exactly once, by the
// destructor (popups are detached from their parents first, so destroying a
// parent never takes a child with it behind the counting's back).
//
// The numbering, the walk over the entries and menuFor are shared
// (OptionMenuPopup.cpp); making, filling, showing and destroying the menus are the
// back end's (OptionMenuPopupWin32.cpp: native popup menus;
// OptionMenuPopupX11.cpp: the toolkit's own).
#pragma once

#include <cstdint>
#include <vector>

#include "gui/NativeHandles.h"
#include "gui/OptionMenuEntries.h"

namespace qp {

class OptionMenu;

class OptionMenuPopup {
public:
    explicit OptionMenuPopup(OptionMenu& root);
    ~OptionMenuPopup();
    OptionMenuPopup(const OptionMenuPopup&) = delete;
    OptionMenuPopup& operator=(const OptionMenuPopup&) = delete;

    NativeMenu nativeMenu() const { return blocks_.empty() ? nullptr : blocks_.front().native; }
    // Shows the menu with its top-left corner at (x, y) on the screen and returns
    // when it closes: the chosen identifier, or 0. Windows only: on X11 the
    // toolkit's popup shows the menus and returns at once (OptionMenuX11.cpp).
    std::int32_t track(NativeWindow owner, std::int32_t x, std::int32_t y, bool rightButton);
    // The menu whose block holds id (the root first, then submenus depth first)
    // and the entry's index in it; none for an identifier outside every block.
    OptionMenu* menuFor(std::int32_t id, std::int32_t& index) const;
    // Native menus made for this popup.
    std::int32_t menuCount() const { return std::int32_t(blocks_.size()); }
    // The k-th of them (the root first, then submenus depth first), or none.
    NativeMenu nativeMenuAt(std::int32_t k) const {
        return (k >= 0 && k < menuCount()) ? blocks_[std::size_t(k)].native : nullptr;
    }

    // Identifiers start here (0 means "nothing chosen") and stay below the
    // limit a command message can carry.
    static constexpr std::int32_t kFirstId = 1;
    static constexpr std::int32_t kIdLimit = 0x10000;
    // Column breaks are left out for menus this long: the platform lays those
    // out in columns by itself.
    static constexpr std::int32_t kColumnBreakEntryLimit = 160;

private:
    struct Block {
        OptionMenu* menu;
        std::int32_t first;
        std::int32_t count;
        NativeMenu native;
    };

    // One entry as the walk hands it to the back end.
    struct Entry {
        OptionMenuEntries::Kind kind;
        // Plain entries: the text as stored (a literal one shows it as it is,
        // any other takes "&" as a mnemonic mark); a separator's is "-"; other
        // kinds: without their marker.
        const char* text;
        bool literal;
        bool checked;
        bool columnBreak;
        std::int32_t id;
        // A submenu entry's menu, made before the entry, and its block's position.
        NativeMenu submenu;
        std::int32_t submenuBlock;
    };

    NativeMenu build(OptionMenu& menu, std::vector<OptionMenu*>& path);
    // The back end's: an empty menu (none when it cannot be made), and one entry
    // added at its end.
    static NativeMenu makeMenu();
    static void append(NativeMenu menu, const Entry& entry);

    std::vector<Block> blocks_;
    std::int32_t nextId_ = kFirstId;
};

}  // namespace qp
