// The single-line edit field of the X11 back end, drawn by the toolkit with
// cairo: a child window laid over the control being edited (as the Windows edit
// control is), which takes the keyboard focus while it exists and gives it back
// to the window that had it when it goes (the host's, usually).
//
// Editing: it opens with the whole text selected (typing replaces it). Printable
// characters insert at the caret, Backspace and Delete remove the character
// before or after it (or the selection), Left/Right/Home/End move it, a click
// places it. The text scrolls sideways to keep the caret in view and never grows
// past its limit. Enter ends with the text kept, Escape ends asking for it to be
// dropped, and losing the keyboard focus (a click in another window) ends with
// the text kept; the client hears one of those once per field, and may destroy
// the field from there (nothing of it is touched after the call).
//
// Ownership: the field owns its window and cairo surface; the destructor
// destroys them. The parent window must outlive it.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <string>

struct _cairo_surface;

namespace qp::x11 {

// How editing ended: Enter and the loss of focus keep the text, Escape drops it.
enum class FieldEnd {
    enter,
    focusLost,
    escape
};

class TextFieldClient {
public:
    virtual void textFieldEnded(FieldEnd how) = 0;

protected:
    ~TextFieldClient() = default;
};

struct TextFieldLook {
    std::string face = "sans-serif";
    double size = 12.0;
    // 0..1 each.
    double text[3] = {0.0, 0.0, 0.0};
    double background[3] = {1.0, 1.0, 1.0};
    enum class Align {
        left,
        center,
        right
    } align = Align::left;
};

class TextField {
public:
    // (x, y, width, height) in the parent window. False from isOpen when no
    // window could be made.
    TextField(Display* display, Window parent, int x, int y, int width, int height, const std::string& text,
              std::size_t maxLength, const TextFieldLook& look, TextFieldClient& client);
    ~TextField();
    TextField(const TextField&) = delete;
    TextField& operator=(const TextField&) = delete;

    bool isOpen() const { return window_ != 0; }
    Window window() const { return window_; }
    const std::string& text() const { return text_; }
    std::size_t caret() const { return caret_; }
    // Events of the field's window.
    void handleEvent(const XEvent& event);

private:
    void paint();
    void insert(const char* typed, std::size_t length);
    void erase(bool before);
    void placeCaretAt(int x);
    // The x of the text's start in the window, scrolled so the caret shows.
    double textStart(double textWidth, double caretX);
    double widthOf(const std::string& text, std::size_t length) const;

    Display* display_;
    Window window_ = 0;
    // Where the focus was before the field took it; the field gives it back.
    Window previousFocus_ = 0;
    int previousRevert_ = RevertToParent;
    bool tookFocus_ = false;
    _cairo_surface* surface_ = nullptr;
    int width_;
    int height_;
    std::string text_;
    std::size_t maxLength_;
    std::size_t caret_;
    bool allSelected_ = true;
    double scroll_ = 0.0;
    TextFieldLook look_;
    TextFieldClient& client_;
};

}  // namespace qp::x11
