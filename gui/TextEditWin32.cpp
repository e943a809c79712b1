// TextEdit on Windows: a native EDIT window laid over the control, subclassed so
// that Enter and the loss of focus end editing.
#include "gui/TextEditWin32.h"

#include <cstdio>

#include "gui/Frame.h"
#include "gui/GuiModule.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/TextEdit.h"

namespace qp {

namespace {

// What the edit window may hold: the text buffer less its terminator.
constexpr std::int32_t kMaxEditLength = kDisplayTextSize - 1;

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
struct TextEdit::Platform {
    HFONT font = nullptr;
    HBRUSH brush = nullptr;
    // The edit window's own procedure while ours is installed.
    WNDPROC previousProcedure = nullptr;

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* edit = reinterpret_cast<TextEdit*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        // Only reachable between subclassing and unsubclassing, when both are set;
        // the check keeps a stray message from calling through nothing.
        if (!edit || !edit->platform_ || !edit->platform_->previousProcedure) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        const WNDPROC previous = edit->platform_->previousProcedure;
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

    // The colours the frame's window procedure answers the edit window with
    // (WM_CTLCOLOREDIT): the control's own, and a brush it keeps until the next
    // request or the end of editing.
    static HBRUSH colors(TextEdit& edit, HDC dc) {
        if (!edit.platform_) {
            edit.platform_.reset(new Platform);
        }
        HBRUSH& brush = edit.platform_->brush;
        SetTextColor(dc, edit.fontColor_.toNative());
        SetBkColor(dc, edit.backgroundColor_.toNative());
        if (brush) {
            native::deleteObject(brush);
        }
        brush = native::createSolidBrush(edit.backgroundColor_.toNative());
        return brush;
    }
};

void TextEdit::PlatformDelete::operator()(Platform* platform) const {
    if (platform->brush) {
        native::deleteObject(platform->brush);
    }
    delete platform;
}

HBRUSH editWindowColors(TextEdit& edit, HDC dc) { return TextEdit::Platform::colors(edit, dc); }

void TextEdit::takeFocus(DrawContext* context) {
    if (editWindow_ || !frame_ || !frame_->getWindow()) {
        return;
    }
    returnPressed_ = false;
    Rect place = size_;
    if (context) {
        place = place.offsetBy(context->getOffset());
    }
    HWND window = native::createWindowEx(
        0, "EDIT", text_, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | alignmentStyle(horizontalAlign_),
        place.left, place.top, place.width() + 1, place.height() + 1, win32::hwnd(frame_->getWindow()),
        nullptr, win32::hinstance(guiModule()), nullptr);
    editWindow_ = window;
    if (!window) {
        return;
    }
    if (!platform_) {
        platform_.reset(new Platform);
    }

    const FontTableEntry& face = fontTableEntry(validFontId(font_));
    std::int32_t height = size_.height() - 2;
    if (face.size < height) {
        height = face.size;
    }
    LOGFONTA font = native::plainFontDescription(height);
    std::snprintf(font.lfFaceName, sizeof(font.lfFaceName), "%s", face.face);
    platform_->font = native::createFontIndirect(&font);

    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(platform_->font), TRUE);
    SendMessageA(window, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    SendMessageA(window, EM_SETSEL, 0, -1);
    SendMessageA(window, EM_LIMITTEXT, kMaxEditLength, 0);
    SetFocus(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    platform_->previousProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Platform::procedure)));
}

bool TextEdit::closeEditWindow(bool windowAlreadyGone) {
    if (!editWindow_) {
        return false;
    }
    HWND window = win32::hwnd(editWindow_);
    // Forget the window first: whatever its destruction sends (loss of focus
    // among others) must find the control no longer editing.
    editWindow_ = nullptr;
    if (platform_->previousProcedure) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(platform_->previousProcedure));
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    platform_->previousProcedure = nullptr;
    if (windowAlreadyGone) {
        native::windowDestroyedElsewhere();
    } else {
        native::destroyWindow(window);
    }
    if (platform_->font) {
        native::deleteObject(platform_->font);
        platform_->font = nullptr;
    }
    if (platform_->brush) {
        native::deleteObject(platform_->brush);
        platform_->brush = nullptr;
    }
    if (windowAlreadyGone && frame_ && frame_->getEditView() == this) {
        frame_->setEditView(nullptr);
    }
    return true;
}

void TextEdit::readEditWindowText() {
    GetWindowTextA(win32::hwnd(editWindow_), text_, kMaxEditLength + 1);
    text_[kMaxEditLength] = '\0';
}

}  // namespace qp
