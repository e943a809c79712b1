// A ParamDisplay whose text is edited in place through a native single-line
// edit window laid over the control.
//
// Editing starts with a click (a double click under kTextEditDoubleClick) and
// ends on Enter, when the edit window loses the keyboard focus, or when the frame
// takes the edit view away (another press in the frame). When it ends the text
// is read back (at most 255 characters), the edit window and its font and brush
// are destroyed, the listener is told only if the text changed, and the parent
// view (or the frame) is sent "LooseFocus".
//
// Ownership: the edit window, its font and the brush that colours it belong to
// the control and live only while editing; every path that ends editing
// (including destruction and the host destroying the window) frees them once.
//
// The edit field is the back end's: TextEditWin32.cpp subclasses a native EDIT
// window, TextEditX11.cpp draws its own field. Its state is the opaque Platform.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/NativeHandles.h"
#include "gui/ParamDisplay.h"

namespace qp {

// Turns the stored text into the text shown (kDisplayTextSize characters).
using TextToTextProc = void (*)(const char* text, char* shown);
using TextToTextWithDataProc = void (*)(const char* text, char* shown, void* userData);

class TextEdit : public ParamDisplay {
public:
    TextEdit(const Rect& size, ControlListener* listener, std::int32_t tag, const char* text = nullptr,
             Bitmap* background = nullptr, std::int32_t style = 0);
    ~TextEdit() override;

    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;
    // Opens the edit window (context: its offset moves the window; may be none).
    void takeFocus(DrawContext* context) override;
    // Ends editing, if editing; context may be none.
    void loseFocus(DrawContext* context) override;

    // Marks the control dirty only when the text differs.
    virtual void setText(const char* text);
    // Copies the text out; text must hold kDisplayTextSize characters.
    virtual void getText(char* text) const;
    // The user data is the display's (setValueToTextWithData).
    virtual void setTextConversionWithData(TextToTextWithDataProc proc, void* userData);
    virtual void setTextConversion(TextToTextProc proc);

    const char* text() const { return text_; }
    bool isEditing() const { return editWindow_ != nullptr; }
    NativeWindow getEditWindow() const { return editWindow_; }
    // Whether the last editing ended with the Enter key.
    bool endedWithReturn() const { return returnPressed_; }

    // The back end's state of the edit field, defined in the back end's files
    // alone (which, the type being nested, reach the control's members).
    struct Platform;

private:
    // Destroys the edit window (unless the platform already did) and frees what
    // the back end made for it; answers whether there was an edit window.
    bool closeEditWindow(bool windowAlreadyGone);
    // Copies the edit window's text (at most kDisplayTextSize - 1 characters) into text_.
    void readEditWindowText();

    NativeWindow editWindow_ = nullptr;
    bool returnPressed_ = false;
    char text_[kDisplayTextSize] = {};
    TextToTextProc textConversion_ = nullptr;
    TextToTextWithDataProc textConversionWithData_ = nullptr;

    struct PlatformDelete {
        void operator()(Platform* platform) const;
    };
    std::unique_ptr<Platform, PlatformDelete> platform_;
};

}  // namespace qp
