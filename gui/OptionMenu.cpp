#include "gui/OptionMenu.h"

#include <cstring>
#include <new>

#include "gui/Bitmap.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"

namespace qp {

namespace {

constexpr std::int32_t kSubmenuSlotsPerGrowth = 10;
// A press with any of these opens the menu (64 is kept from older button words
// that had a further button; the drawing context never reports it).
constexpr std::int32_t kButtonsThatOpen = kButtonLeft | kButtonRight | 64;

}  // namespace

OptionMenu::OptionMenu(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background,
                       Bitmap* clickedBitmap, std::int32_t style)
    : ParamDisplay(size, listener, tag, background, style),
      clickedBitmap_(clickedBitmap) {
    if (clickedBitmap_) {
        clickedBitmap_->retain();
    }
}

OptionMenu::~OptionMenu() {
    // An open popup goes first: its choice could name a submenu released below.
    popup_.reset();
    removeAllEntries();
    delete[] submenus_;
    if (clickedBitmap_) {
        clickedBitmap_->release();
    }
}

void OptionMenu::draw(DrawContext* context) {
    const std::int32_t current = entries_.current();
    if (current < 0) {
        setDirty(false);
        return;
    }
    drawDisplay(context, entries_.shownText(current));
}

void OptionMenu::mouseDown(DrawContext* context, Point where) {
    (void)where;
    if (!mouseEnabled_ || !frame_ || !context) {
        return;
    }
    lastButtons_ = context->pollMouseButtons();
    if (!(lastButtons_ & kButtonsThatOpen)) {
        return;
    }
    if (clickedBitmap_) {
        drawDisplay(context, entries_.shownText(entries_.current()), clickedBitmap_);
    }
    if (!frame_->setEditView(this)) {
        return;
    }
    takeFocus(context);
}

void OptionMenu::deliverChoice(Frame* frame, OptionMenu* chosen, std::int32_t index, std::int32_t id,
                               DrawContext* context) {
    if (frame) {
        if (!frame->setEditView(nullptr)) {
            return;
        }
        // The area handed over to repaint where the popup was may fall short of
        // it: LMMS's embedding window has a one-pixel border and Wine takes the
        // client origin a pixel off, which left a line of the popup at its right
        // edge. One paint of the whole frame (about 0.3 ms) leaves nothing behind.
        frame->invalidateWindow();
    }

    if (clickedBitmap_) {
        setDirty(true);
    }
    if (chosen && frame) {
        lastResult_ = id;
        chosen->setValue(float(index));
        lastMenu_ = chosen;
        if (listener_) {
            // The listener may close the editor: the window is taken first.
            const NativeWindow window = frame->getWindow();
            NativeDC target = nullptr;
            DrawContext* temporary = nullptr;
            if (!context && window) {
                target = frame->acquireDrawTarget();
                context = temporary = new DrawContext(frame, target, window);
            }
            listener_->valueChanged(context, chosen);
            if (temporary) {
                delete temporary;
                Frame::releaseDrawTarget(window, target);
            }
        }
    }
}

void OptionMenu::setValue(float value) {
    // Written so that NaN fails too.
    if (!(value >= 0.0f && value < float(entries_.count()))) {
        return;
    }
    const std::int32_t index = std::int32_t(value);
    entries_.setCurrent(index);
    if (style_ & kMenuMultipleCheck) {
        entries_.check(index, !entries_.isChecked(index));
    }
    ParamDisplay::setValue(value);
    setDirty(true);
}

bool OptionMenu::addEntry(const char* text, std::int32_t index) { return entries_.add(text, index); }

bool OptionMenu::addLiteralEntry(const char* text, std::int32_t index) {
    return entries_.add(text, index, true);
}

bool OptionMenu::growSubmenus() {
    const std::int32_t capacity = submenuCapacity_ + kSubmenuSlotsPerGrowth;
    OptionMenu** grown = new (std::nothrow) OptionMenu*[std::size_t(capacity)];
    if (!grown) {
        return false;
    }
    for (std::int32_t i = 0; i < submenuCount_; ++i) {
        grown[i] = submenus_[i];
    }
    delete[] submenus_;
    submenus_ = grown;
    submenuCapacity_ = capacity;
    return true;
}

bool OptionMenu::addSubmenu(const char* title, OptionMenu* submenu) {
    if (!title || !submenu || entries_.count() >= OptionMenuEntries::kMaxEntries) {
        return false;
    }
    if (submenuCount_ == submenuCapacity_ && !growSubmenus()) {
        return false;
    }
    if (!entries_.addSubmenuTitle(title)) {
        return false;
    }
    submenus_[submenuCount_++] = submenu;
    submenu->retain();
    return true;
}

OptionMenu* OptionMenu::getSubmenu(std::int32_t k) const {
    return (k >= 0 && k < submenuCount_) ? submenus_[k] : nullptr;
}

void OptionMenu::releaseSubmenu(std::int32_t k) {
    if (k < 0 || k >= submenuCount_) {
        return;
    }
    OptionMenu* gone = submenus_[k];
    for (std::int32_t i = k; i + 1 < submenuCount_; ++i) {
        submenus_[i] = submenus_[i + 1];
    }
    --submenuCount_;
    gone->release();
}

std::int32_t OptionMenu::getCurrent(char* text, bool countSeparators) const {
    const std::int32_t current = entries_.currentCounted(countSeparators);
    if (current >= 0 && text) {
        std::memcpy(text, entries_.text(entries_.current()),
                    std::strlen(entries_.text(entries_.current())) + 1);
    }
    return current;
}

bool OptionMenu::setCurrent(std::int32_t index, bool countSeparators) {
    if (!entries_.setCurrentCounted(index, countSeparators)) {
        return false;
    }
    setDirty(true);
    return true;
}

bool OptionMenu::getEntry(std::int32_t index, char* text) const {
    const char* entry = entries_.text(index);
    if (!entry || !text) {
        return false;
    }
    std::memcpy(text, entry, std::strlen(entry) + 1);
    return true;
}

bool OptionMenu::setEntry(std::int32_t index, const char* text) { return entries_.setText(index, text); }

bool OptionMenu::removeEntry(std::int32_t index) {
    // The submenu of a removed "-M" entry goes with it, so the remaining
    // submenu entries keep their own submenus.
    const std::int32_t ordinal = entries_.submenuOrdinal(index);
    if (!entries_.remove(index)) {
        return false;
    }
    if (ordinal >= 0) {
        releaseSubmenu(ordinal);
    }
    return true;
}

bool OptionMenu::removeAllEntries() {
    entries_.removeAll();
    while (submenuCount_ > 0) {
        releaseSubmenu(submenuCount_ - 1);
    }
    return true;
}

std::int32_t OptionMenu::getNumEntries() const { return entries_.count(); }

std::int32_t OptionMenu::getIndex(const char* text) const { return entries_.indexOf(text); }

bool OptionMenu::checkEntry(std::int32_t index, bool state) { return entries_.check(index, state); }

bool OptionMenu::checkEntryAlone(std::int32_t index) { return entries_.checkAlone(index); }

bool OptionMenu::isCheckedEntry(std::int32_t index) const { return entries_.isChecked(index); }

void OptionMenu::setEntriesPerColumn(std::int32_t entries) { entriesPerColumn_ = entries; }

std::int32_t OptionMenu::getEntriesPerColumn() const { return entriesPerColumn_; }

MenuScheme* OptionMenu::getMenuScheme() const { return scheme_; }

void OptionMenu::setPrefixNumbers(std::int32_t style) { entries_.setPrefixStyle(style); }

}  // namespace qp
