// A ParamDisplay with a list of entries that pops up as a native popup menu on
// a left or right click, with nested submenus, separators, titles, greyed and
// checked entries, prefix numbers and column breaks. The chosen entry becomes
// the current entry of the menu it belongs to (this one or a submenu), and the
// listener's valueChanged is called with that menu as the control.
// When the popup closes, chosen or not, the whole frame is painted once: the
// area the system hands over for where the popup was is not trusted.
//
// The display shows the current entry's text (without marker and number).
// Entry texts follow OptionMenuEntries' conventions ("-" separator, "-M"
// submenu, "-G" greyed, "-T" title).
//
// The popup: on Windows the system's modal menu, and takeFocus returns when it
// has closed and the choice has been delivered. On X11 the toolkit draws it and
// takeFocus returns once it is shown; the choice arrives later from the popup's
// events (run by the frame's idle) and is delivered by the same code. Taking the
// focus away (another edit view, the frame going) closes it with no choice.
//
// Ownership: submenus are retained while held; removeAllEntries (and the
// destructor) releases them. Native menus exist only while the popup is up.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/OptionMenuEntries.h"
#include "gui/ParamDisplay.h"

namespace qp {

// Measures and draws menu items itself. None is ever set in this system; the
// platform draws the menus.
class MenuScheme;

class OptionMenu : public ParamDisplay {
public:
    OptionMenu(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background = nullptr,
               Bitmap* clickedBitmap = nullptr, std::int32_t style = 0);
    ~OptionMenu() override;

    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;
    // Pops the menu up (returning when it closes on Windows, at once on X11);
    // context may be none.
    void takeFocus(DrawContext* context) override;
    void loseFocus(DrawContext* context) override;
    // From a chosen entry: the integer part must name an entry, which becomes
    // current (and under kMenuMultipleCheck has its check flag toggled).
    void setValue(float value) override;

    // index -1 appends. False at 1024 entries or when storage cannot grow.
    virtual bool addEntry(const char* text, std::int32_t index = -1);
    // As addEntry, but the text is shown as written: no separator, submenu,
    // greyed or title marker, and "&" is no mnemonic.
    bool addLiteralEntry(const char* text, std::int32_t index = -1);
    // Retains the submenu. False at 1024 entries, without a title or a submenu.
    virtual bool addSubmenu(const char* title, OptionMenu* submenu);
    // -1 without a current entry; copies its text (entry size) when given a buffer.
    virtual std::int32_t getCurrent(char* text = nullptr, bool countSeparators = true) const;
    virtual bool setCurrent(std::int32_t index, bool countSeparators = true);
    // Copies the entry's text (entry size); false for an index outside the entries.
    virtual bool getEntry(std::int32_t index, char* text) const;
    virtual bool setEntry(std::int32_t index, const char* text);
    // Removing a submenu's entry also releases that submenu.
    virtual bool removeEntry(std::int32_t index);
    virtual bool removeAllEntries();
    virtual std::int32_t getNumEntries() const;
    virtual std::int32_t getIndex(const char* text) const;
    virtual bool checkEntry(std::int32_t index, bool state);
    virtual bool checkEntryAlone(std::int32_t index);
    virtual bool isCheckedEntry(std::int32_t index) const;
    // Below 1: no column breaks.
    virtual void setEntriesPerColumn(std::int32_t entries);
    virtual std::int32_t getEntriesPerColumn() const;
    virtual MenuScheme* getMenuScheme() const;
    // One of MenuPrefixStyle; applies to entries added from now on.
    virtual void setPrefixNumbers(std::int32_t style);

    std::int32_t getNumSubmenus() const { return submenuCount_; }
    // The k-th submenu, in the order added, or none.
    OptionMenu* getSubmenu(std::int32_t k) const;
    // The menu whose entry was chosen last (this one or a submenu), or none.
    OptionMenu* getLastMenu() const { return lastMenu_; }
    // The native command identifier of the last choice, or -1.
    std::int32_t getLastResult() const { return lastResult_; }
    std::int32_t getLastButtons() const { return lastButtons_; }
    const OptionMenuEntries& entries() const { return entries_; }

    // Whether a toolkit-drawn popup of this menu is open (never on Windows).
    bool isPopupOpen() const { return popup_ != nullptr; }

private:
    friend class OptionMenuPopup;

    // The platform's popup while it is open (X11 only).
    struct Popup;
    struct PopupDeleter {
        void operator()(Popup* popup) const;
    };

    // What follows the popup's closing on every platform, in this order: the
    // frame (none once it went away) drops the edit view and is painted whole,
    // the clicked look goes, and a choice (id > 0) becomes the chosen menu's
    // value and reaches the listener.
    void deliverChoice(Frame* frame, OptionMenu* chosen, std::int32_t index, std::int32_t id,
                       DrawContext* context);
    // The X11 popup's end: id > 0 names the chosen entry, 0 none.
    void popupEnded(std::int32_t id);

    bool growSubmenus();
    void releaseSubmenu(std::int32_t k);

    OptionMenuEntries entries_;
    OptionMenu** submenus_ = nullptr;
    std::int32_t submenuCount_ = 0;
    std::int32_t submenuCapacity_ = 0;
    Bitmap* clickedBitmap_ = nullptr;
    std::int32_t lastButtons_ = 4;  // the right button until the first click
    std::int32_t entriesPerColumn_ = -1;
    std::int32_t lastResult_ = -1;
    OptionMenu* lastMenu_ = nullptr;
    MenuScheme* scheme_ = nullptr;
    std::unique_ptr<Popup, PopupDeleter> popup_;
};

}  // namespace qp
