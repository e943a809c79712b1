// The popup menu of the X11 back end, drawn by the toolkit with cairo: one
// override-redirect window per open level (the root menu and each submenu opened
// from it), placed at screen coordinates. It is event-driven: open() shows it and
// returns at once; the events of its windows, handed to handleEvent by whoever
// pumps the display, move the highlight and open and close submenus, until the
// popup closes with a choice or with none, which the client hears exactly once.
//
// Input: while open, the popup holds the pointer and keyboard grabs on the owner
// window it is given (the frame's, inside the host's window) with owner events
// off, so every press, motion and key of the display is reported there (with
// screen coordinates, which is how a press is matched to a level); whoever pumps
// the display hands those to handleEvent too. A press outside all of its windows
// therefore reaches it and dismisses it, and the host's windows see nothing of
// the clicks the menu takes. The grabs are on a window inside the host's, not on
// the popup's own, because X ends a grab by itself when its window goes off the
// screen: a host that hides or destroys its window with the menu open gets the
// pointer and keyboard back at once, without calling us again. The popup hears
// of that end (LeaveNotify or FocusOut with NotifyUngrab, or the owner's
// DestroyNotify) at its next event and closes with no choice; its windows stay
// on the screen until then.
//
// Choosing: a release over an entry chooses it, once the pointer has moved away
// from where it was at the opening or a press landed in the popup (the release
// of the click that opened the menu chooses nothing); Enter chooses the
// highlighted entry. Up/Down move over the entries that can be chosen or opened,
// Right and Enter open a submenu, Left closes the innermost one, Escape closes
// the innermost level (the whole popup at the root). Hovering a submenu's entry
// opens it to the right (to the left where the screen ends).
//
// Ownership: the popup owns its windows and their cairo surfaces; close() and the
// destructor destroy them and let go of the grabs. The client hears of every
// window made and destroyed (so it can route that window's events here), and of
// the end; it may delete the popup from popupClosed (nothing of the popup is
// touched after that call).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gui/OptionMenuEntries.h"
#include "gui/Zoom.h"

struct _cairo_surface;

namespace qp::x11 {

struct PopupItem {
    // The option menu's own kinds of entry.
    using Kind = OptionMenuEntries::Kind;
    Kind kind = Kind::plain;
    // As shown: markers and mnemonic marks already taken out.
    std::string text;
    bool checked = false;
    // The entry starts a new column.
    bool columnBreak = false;
    // What a choice of the entry reports (plain entries only; above 0).
    std::int32_t id = 0;
    // The level a submenu entry opens (an index into the popup's levels).
    std::int32_t submenu = -1;
};

struct PopupLevel {
    std::vector<PopupItem> items;
};

class MenuPopupClient {
public:
    virtual void popupWindowMade(Window window) = 0;
    virtual void popupWindowGone(Window window) = 0;
    // id > 0: that entry was chosen; 0: dismissed. The windows are gone by then.
    virtual void popupClosed(std::int32_t id) = 0;

protected:
    ~MenuPopupClient() = default;
};

class MenuPopup {
public:
    // The 100 % figures, close to the classic Windows menu at 96 dpi.
    static constexpr int kItemHeight = 20;
    static constexpr int kSeparatorHeight = 9;
    static constexpr int kBorder = 3;
    // The check mark's column left of the text and the arrow's column right of it.
    static constexpr int kCheckGutter = 22;
    static constexpr int kArrowGutter = 22;
    static constexpr double kFontSize = 12.0;
    // A submenu lies over its parent's border by this much, as the platform's do.
    static constexpr int kSubmenuOverlap = 3;
    // The pointer must move this far from where it was at the opening before a
    // release chooses (a click's own wobble chooses nothing).
    static constexpr int kArmDistance = 3;
    // Narrower than this a menu of short entries would look like a tooltip.
    static constexpr int kMinimumWidth = 60;
    // Room after the text before the arrow column (or the border).
    static constexpr int kTextPadding = 8;

    // levels[0] is the root menu; owner is the window the grabs are held on;
    // percent is the zoom step of the editor it opens from (the nearest step of
    // gui/Zoom.h is taken for any other number).
    MenuPopup(Display* display, Window owner, std::vector<PopupLevel> levels, MenuPopupClient& client,
              std::int32_t percent = kUnzoomed);
    ~MenuPopup();
    MenuPopup(const MenuPopup&) = delete;
    MenuPopup& operator=(const MenuPopup&) = delete;

    // Shows the root menu with its top-left corner at (x, y) on the screen, kept
    // on the screen. False when it has no entry or no window could be made.
    bool open(int x, int y);
    // Events of the popup's windows and of the owner, in the display's order.
    void handleEvent(const XEvent& event);
    // Destroys the windows and lets go of the grabs without telling the client.
    void close();
    bool isOpen() const { return !shown_.empty(); }

    // The open levels' windows, root first.
    std::vector<Window> windows() const;
    // Where the entry of the depth-th open level lies on the screen; false
    // without that level or entry.
    bool itemOnScreen(std::size_t depth, std::size_t item, int& x, int& y, int& width, int& height) const;
    // The highlighted entry of the depth-th open level, or -1.
    int highlighted(std::size_t depth) const;

private:
    // The figures above at one zoom step: every length by zoomed(), the font in
    // proportion, so the popup matches the editor it opens from.
    struct Metrics {
        explicit constexpr Metrics(std::int32_t zoomStep)
            : percent(zoomStep),
              itemHeight(zoomed(kItemHeight, zoomStep)),
              separatorHeight(zoomed(kSeparatorHeight, zoomStep)),
              border(zoomed(kBorder, zoomStep)),
              checkGutter(zoomed(kCheckGutter, zoomStep)),
              arrowGutter(zoomed(kArrowGutter, zoomStep)),
              submenuOverlap(zoomed(kSubmenuOverlap, zoomStep)),
              armDistance(zoomed(kArmDistance, zoomStep)),
              minimumWidth(zoomed(kMinimumWidth, zoomStep)),
              textPadding(zoomed(kTextPadding, zoomStep)),
              line(zoomed(1, zoomStep)),
              fontSize(kFontSize * zoomStep / kUnzoomed) {}
        // A length of the 100 % drawing at this step.
        constexpr int operator()(int value) const { return zoomed(value, percent); }

        std::int32_t percent;
        int itemHeight, separatorHeight, border, checkGutter, arrowGutter, submenuOverlap, armDistance,
            minimumWidth, textPadding;
        // A line one pixel wide at 100 %: whole pixels at every step.
        int line;
        double fontSize;
    };

    struct Box {
        int x, y, width, height;
    };
    struct Shown {
        std::int32_t level;
        Window window;
        _cairo_surface* surface;
        int x, y, width, height;
        std::vector<Box> boxes;
        int highlight;
    };

    bool showLevel(std::int32_t level, int x, int y, int anchorLeft);
    void layout(std::int32_t level, std::vector<Box>& boxes, int& width, int& height) const;
    void paint(const Shown& shown) const;
    void closeFrom(std::size_t depth);
    // Which open level and entry lie under a screen point (-1 for none).
    bool hit(int rootX, int rootY, int& depth, int& item) const;
    void hover(int depth, int item);
    void setHighlight(std::size_t depth, int item);
    void openSubmenu(std::size_t depth, bool highlightFirst);
    void step(int direction);
    void finish(std::int32_t id);
    bool selectable(const PopupItem& item) const;
    const PopupItem& itemOf(std::size_t depth, int item) const;

    Display* display_;
    Window owner_;
    std::vector<PopupLevel> levels_;
    MenuPopupClient& client_;
    // This popup's own sizes: two editors at different steps each get theirs.
    const Metrics metrics_;
    std::vector<Shown> shown_;
    bool grabbedPointer_ = false;
    bool grabbedKeyboard_ = false;
    bool armed_ = false;
    // The first request of this opening's grabs.
    unsigned long grabSerial_ = 0;
    int openedAtX_ = 0;
    int openedAtY_ = 0;
};

}  // namespace qp::x11
