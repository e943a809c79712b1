// TextEdit's edit field on X11: the toolkit's own single-line field
// (X11TextField), a child window over the control that holds the keyboard focus
// while editing. Enter and losing the focus end editing through loseFocus as the
// Windows edit control does; Escape ends it with the text left as it was.
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "gui/DrawContext.h"
#include "gui/FontTable.h"
#include "gui/Frame.h"
#include "gui/NativeHandlesX11.h"
#include "gui/TextEdit.h"
#include "gui/X11Events.h"
#include "gui/X11TextField.h"

namespace qp {

namespace {

// What the field may hold: the text buffer less its terminator.
constexpr std::size_t kMaxEditLength = kDisplayTextSize - 1;

void toUnit(const Color& color, double (&to)[3]) {
    to[0] = color.red / 255.0;
    to[1] = color.green / 255.0;
    to[2] = color.blue / 255.0;
}

}  // namespace

struct TextEdit::Platform final : x11::TextFieldClient, x11::EventSink {
    explicit Platform(TextEdit& owner)
        : edit(owner) {}

    void textFieldEnded(x11::FieldEnd how) override {
        edit.returnPressed_ = how == x11::FieldEnd::enter;
        cancelled = how == x11::FieldEnd::escape;
        // Destroys the field: nothing of it may be touched afterwards.
        edit.loseFocus(nullptr);
    }
    void handleEvent(const XEvent& event) override {
        if (field) {
            field->handleEvent(event);
        }
    }

    TextEdit& edit;
    Frame* frame = nullptr;
    std::unique_ptr<x11::TextField> field;
    bool cancelled = false;
};

void TextEdit::PlatformDelete::operator()(Platform* platform) const { delete platform; }

void TextEdit::takeFocus(DrawContext* context) {
    if (editWindow_ || !frame_) {
        return;
    }
    Display* display = x11::display(*frame_);
    const Window parent = x11::window(*frame_);
    if (!display || !parent) {
        return;
    }
    returnPressed_ = false;
    Rect place = size_;
    if (context) {
        place = place.offsetBy(context->getOffset());
    }
    if (!platform_) {
        platform_.reset(new Platform(*this));
    }
    platform_->cancelled = false;

    x11::TextFieldLook look;
    const FontTableEntry& face = fontTableEntry(validFontId(font_));
    look.face = face.face;
    look.size = std::max(1, std::min(face.size, size_.height() - 2));
    toUnit(fontColor_, look.text);
    toUnit(backgroundColor_, look.background);
    look.align = horizontalAlign_ == kAlignCenter  ? x11::TextFieldLook::Align::center
                 : horizontalAlign_ == kAlignRight ? x11::TextFieldLook::Align::right
                                                   : x11::TextFieldLook::Align::left;
    platform_->field =
        std::make_unique<x11::TextField>(display, parent, place.left, place.top, place.width() + 1,
                                         place.height() + 1, text_, kMaxEditLength, look, *platform_);
    if (!platform_->field->isOpen()) {
        platform_->field.reset();
        return;
    }
    // The field is tied to the edit view: whatever takes that away (the frame
    // going among others) ends editing through loseFocus, before the frame's
    // connection closes.
    if (frame_->getEditView() != this && !frame_->setEditView(this)) {
        return;
    }
    platform_->frame = frame_;
    editWindow_ = x11::nativeWindow(platform_->field->window());
    x11::addSink(*frame_, platform_->field->window(), platform_.get());
}

bool TextEdit::closeEditWindow(bool) {
    if (!editWindow_) {
        return false;
    }
    // Forget the window first: whatever its destruction sends must find the
    // control no longer editing.
    editWindow_ = nullptr;
    if (platform_->frame && platform_->field) {
        x11::removeSink(*platform_->frame, platform_->field->window());
    }
    platform_->field.reset();
    platform_->frame = nullptr;
    return true;
}

void TextEdit::readEditWindowText() {
    // Escape keeps the text as it was.
    if (platform_->cancelled || !platform_->field) {
        return;
    }
    std::snprintf(text_, kDisplayTextSize, "%s", platform_->field->text().c_str());
}

}  // namespace qp
