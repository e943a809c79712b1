#include "gui/TextEdit.h"

#include <cstdio>
#include <cstring>

#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/TrackingScope.h"

namespace qp {

namespace {

void copyText(char* to, const char* from) { std::snprintf(to, kDisplayTextSize, "%s", from ? from : ""); }

}  // namespace

TextEdit::TextEdit(const Rect& size, ControlListener* listener, std::int32_t tag, const char* text,
                   Bitmap* background, std::int32_t style)
    : ParamDisplay(size, listener, tag, background, style) {
    copyText(text_, text);
}

TextEdit::~TextEdit() { closeEditWindow(false); }

void TextEdit::draw(DrawContext* context) {
    if (!editWindow_) {
        char shown[kDisplayTextSize] = {};
        convertText(text_, shown, textConversionWithData_, textConversion_,
                    [](const char* text, char* shown) { copyText(shown, text); });
        drawDisplay(context, shown);
    }
    setDirty(false);
}

void TextEdit::mouseDown(DrawContext* context, Point where) {
    (void)where;
    if (!context || !mouseEnabled_ || !frame_) {
        return;
    }
    if (!(context->pollMouseButtons() & kButtonLeft)) {
        return;
    }
    if (frame_->getEditView() == this) {
        return;
    }
    if ((style_ & kTextEditDoubleClick) && !isDoubleClick()) {
        return;
    }
    if (!frame_->setEditView(this)) {
        return;
    }
    takeFocus(context);
}

void TextEdit::loseFocus(DrawContext* context) {
    // Whoever asks (Enter, loss of the keyboard focus, a press elsewhere in the
    // frame, the frame handing the edit view to another view), editing ends once.
    if (!editWindow_) {
        return;
    }
    // The listener reaches the host, which may close the editor from there.
    TrackingScope tracking(*this);
    Frame* frame = tracking.frame();
    char previous[kDisplayTextSize];
    std::memcpy(previous, text_, sizeof(previous));
    readEditWindowText();
    closeEditWindow(false);
    if (frame && frame->getEditView() == this) {
        frame->setEditView(nullptr);
    }

    const bool changed = std::strcmp(previous, text_) != 0;
    if (changed) {
        setDirty(true);
    }
    if (changed && listener_) {
        NativeWindow window = frame ? frame->getWindow() : nullptr;
        NativeDC target = nullptr;
        DrawContext* temporary = nullptr;
        if (!context && window) {
            target = frame->acquireDrawTarget();
            context = temporary = new DrawContext(frame, target, window);
            if (parentView_) {
                temporary->setOffset(parentView_->getViewSize().topLeft());
            }
        }
        listener_->valueChanged(context, this);
        if (temporary) {
            delete temporary;
            // The frame may be gone by now (the listener reached the host).
            Frame::releaseDrawTarget(window, target);
        }
    }
    // A parent in the frame went with it.
    if (tracking.frameLost()) {
        return;
    }
    if (parentView_) {
        parentView_->notify(this, "LooseFocus");
    } else if (frame) {
        frame->notify(this, "LooseFocus");
    }
}

void TextEdit::setText(const char* text) {
    char next[kDisplayTextSize];
    copyText(next, text);
    if (std::strcmp(next, text_) != 0) {
        std::memcpy(text_, next, sizeof(text_));
        setDirty(true);
    }
}

void TextEdit::getText(char* text) const {
    if (text) {
        std::memcpy(text, text_, sizeof(text_));
    }
}

void TextEdit::setTextConversionWithData(TextToTextWithDataProc proc, void* userData) {
    textConversionWithData_ = proc;
    userData_ = userData;
}

void TextEdit::setTextConversion(TextToTextProc proc) { textConversion_ = proc; }

}  // namespace qp
