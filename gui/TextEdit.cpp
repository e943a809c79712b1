#include "gui/TextEdit.h"

#include <cstdio>
#include <cstring>

#include "gui/ControlListener.h"
#include "gui/Frame.h"
#include "gui/GuiModule.h"
#include "gui/NativeObjects.h"
#include "gui/TrackingScope.h"

namespace qp {

namespace {

// What the edit window may hold: the text buffer less its terminator.
constexpr std::int32_t kMaxEditLength = kDisplayTextSize - 1;

void copyText(char* to, const char* from) { std::snprintf(to, kDisplayTextSize, "%s", from ? from : ""); }

DWORD alignmentStyle(TextAlign align) {
    switch (align) {
        case kAlignCenter:
            return ES_CENTER;
        case kAlignRight:
            return ES_RIGHT;
        default:
            return ES_LEFT;
    }
}

}  // namespace

// The edit window's procedure while it belongs to a TextEdit. It ends editing on
// Enter and on loss of the keyboard focus, asks for every key (so a dialog-like
// host does not take Enter or Tab away), and passes the rest to the edit
// window's own procedure.
struct TextEditWindowProcedure {
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* edit = reinterpret_cast<TextEdit*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        // Only reachable between subclassing and unsubclassing, when both are set;
        // the check keeps a stray message from calling through nothing.
        if (!edit || !edit->previousProcedure_) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        const auto previous = reinterpret_cast<WNDPROC>(edit->previousProcedure_);
        switch (message) {
            case WM_GETDLGCODE:
                return DLGC_WANTALLKEYS;
            case WM_KEYDOWN:
                if (wParam == VK_RETURN) {
                    edit->returnPressed_ = true;
                    // Destroys this window: nothing of it may be touched afterwards.
                    edit->loseFocus(nullptr);
                    return 0;
                }
                break;
            case WM_KILLFOCUS: {
                const LRESULT answer = CallWindowProcA(previous, window, message, wParam, lParam);
                edit->loseFocus(nullptr);
                return answer;
            }
            case WM_DESTROY:
                // Somebody else is destroying the window (the host took the frame's
                // window down while editing). The edit window's own procedure must
                // still see the rest of its destruction; the control lets go of it.
                edit->closeEditWindow(true);
                return CallWindowProcA(previous, window, message, wParam, lParam);
            default:
                break;
        }
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
};

TextEdit::TextEdit(const Rect& size, ControlListener* listener, std::int32_t tag, const char* text,
                   Bitmap* background, std::int32_t style)
    : ParamDisplay(size, listener, tag, background, style) {
    copyText(text_, text);
}

TextEdit::~TextEdit() {
    closeEditWindow(false);
    if (editBrush_) {
        native::deleteObject(editBrush_);
    }
}

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
    frame_->setEditView(this);
    takeFocus(context);
}

void TextEdit::takeFocus(DrawContext* context) {
    if (editWindow_ || !frame_ || !frame_->getWindow()) {
        return;
    }
    returnPressed_ = false;
    Rect place = size_;
    if (context) {
        place = place.offsetBy(context->getOffset());
    }
    editWindow_ = native::createWindowEx(
        0, "EDIT", text_, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | alignmentStyle(horizontalAlign_),
        place.left, place.top, place.width() + 1, place.height() + 1, frame_->getWindow(), nullptr,
        guiModule(), nullptr);
    if (!editWindow_) {
        return;
    }

    const FontTableEntry& face = fontTableEntry(validFontId(font_));
    std::int32_t height = size_.height() - 2;
    if (face.size < height) {
        height = face.size;
    }
    LOGFONTA font = native::plainFontDescription(height);
    std::snprintf(font.lfFaceName, sizeof(font.lfFaceName), "%s", face.face);
    editFont_ = native::createFontIndirect(&font);

    SendMessageA(editWindow_, WM_SETFONT, reinterpret_cast<WPARAM>(editFont_), TRUE);
    SendMessageA(editWindow_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    SendMessageA(editWindow_, EM_SETSEL, 0, -1);
    SendMessageA(editWindow_, EM_LIMITTEXT, kMaxEditLength, 0);
    SetFocus(editWindow_);
    SetWindowLongPtrA(editWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previousProcedure_ = reinterpret_cast<void*>(SetWindowLongPtrA(
        editWindow_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextEditWindowProcedure::procedure)));
}

bool TextEdit::closeEditWindow(bool windowAlreadyGone) {
    if (!editWindow_) {
        return false;
    }
    HWND window = editWindow_;
    // Forget the window first: whatever its destruction sends (loss of focus
    // among others) must find the control no longer editing.
    editWindow_ = nullptr;
    if (previousProcedure_) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProcedure_));
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    previousProcedure_ = nullptr;
    if (windowAlreadyGone) {
        native::windowDestroyedElsewhere();
    } else {
        native::destroyWindow(window);
    }
    if (editFont_) {
        native::deleteObject(editFont_);
        editFont_ = nullptr;
    }
    if (editBrush_) {
        native::deleteObject(editBrush_);
        editBrush_ = nullptr;
    }
    if (windowAlreadyGone && frame_ && frame_->getEditView() == this) {
        frame_->setEditView(nullptr);
    }
    return true;
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
    GetWindowTextA(editWindow_, text_, kMaxEditLength + 1);
    text_[kMaxEditLength] = '\0';
    closeEditWindow(false);
    if (frame && frame->getEditView() == this) {
        frame->setEditView(nullptr);
    }

    const bool changed = std::strcmp(previous, text_) != 0;
    if (changed) {
        setDirty(true);
    }
    if (changed && listener_) {
        HWND window = frame ? frame->getWindow() : nullptr;
        HDC dc = nullptr;
        DrawContext* temporary = nullptr;
        if (!context && window) {
            dc = native::getDC(window);
            context = temporary = new DrawContext(frame, dc, window);
            if (parentView_) {
                temporary->setOffset(parentView_->getViewSize().topLeft());
            }
        }
        listener_->valueChanged(context, this);
        if (temporary) {
            delete temporary;
            native::releaseDC(window, dc);
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

HBRUSH__* TextEdit::editWindowColors(NativeDC dc) {
    SetTextColor(dc, fontColor_.toNative());
    SetBkColor(dc, backgroundColor_.toNative());
    if (editBrush_) {
        native::deleteObject(editBrush_);
    }
    editBrush_ = native::createSolidBrush(backgroundColor_.toNative());
    return editBrush_;
}

}  // namespace qp
