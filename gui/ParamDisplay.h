// A control value shown as text over a background colour or bitmap, with an
// optional two-colour border and shadowed text. Draws "%2.2f" of the value
// unless given a conversion. Base of TextEdit and OptionMenu.
#pragma once

#include <cstdint>

#include "gui/Color.h"
#include "gui/Control.h"
#include "gui/DrawContext.h"
#include "gui/FontTable.h"

namespace qp {

// Style bits of the text-bearing controls.
enum ParamDisplayStyle : std::int32_t {
    // OptionMenu: a chosen entry's check flag is toggled.
    kMenuMultipleCheck = 0x1,
    kDisplayShadowText = 0x4,
    // Border with the background colour top and left, the frame colour bottom
    // and right; kDisplayBorderRaised turns the colours round.
    kDisplayBorderSunken = 0x80,
    kDisplayBorderRaised = 0x100,
    // OptionMenu: pop up at the control's top edge instead of below it.
    kMenuPopupAtTop = 0x200,
    // OptionMenu: the current entry is shown checked.
    kMenuCheckCurrent = 0x400,
    kDisplayNoText = 0x800,
    // Never drawn at all (and clean from the start).
    kDisplayNoDrawing = 0x1000,
    // TextEdit: editing starts on a double click.
    kTextEditDoubleClick = 0x2000,
};

// Texts handled by the displays are at most this long, terminator included.
inline constexpr std::int32_t kDisplayTextSize = 256;

// Write the text for value into text (kDisplayTextSize characters).
using ValueToTextProc = void (*)(float value, char* text);
using ValueToTextWithDataProc = void (*)(float value, char* text, void* userData);
// Kept for subclasses that read text back into a value.
using TextToValueProc = void (*)(const char* text, float* value, void* userData);

class ParamDisplay : public Control {
public:
    ParamDisplay(const Rect& size, Bitmap* background = nullptr, std::int32_t style = 0);
    ~ParamDisplay() override;

    void draw(DrawContext* context) override;

    // The setters of font, colours, alignment, style and text face mark the
    // display dirty when the new value differs (colours by red, green and blue).
    virtual void setFont(FontId font);
    virtual void setFontColor(Color color);
    virtual void setBackgroundColor(Color color);
    virtual void setFrameColor(Color color);
    virtual void setShadowColor(Color color);
    virtual void setHorizontalAlign(TextAlign align);
    virtual void setValueToTextWithData(ValueToTextWithDataProc proc, void* userData);
    virtual void setValueToText(ValueToTextProc proc);
    virtual void setTextToValue(TextToValueProc proc);
    virtual void setStyle(std::int32_t style);
    virtual void setTextFace(std::int32_t face);
    virtual void setTextTransparency(bool transparent);

    FontId getFont() const { return font_; }
    Color getFontColor() const { return fontColor_; }
    Color getBackgroundColor() const { return backgroundColor_; }
    Color getFrameColor() const { return frameColor_; }
    Color getShadowColor() const { return shadowColor_; }
    TextAlign getHorizontalAlign() const { return horizontalAlign_; }
    std::int32_t getStyle() const { return style_; }
    std::int32_t getTextFace() const { return textFace_; }
    bool getTextTransparency() const { return textTransparent_; }
    TextToValueProc getTextToValue() const { return textToValue_; }

protected:
    // For the derived controls, which have a listener and a tag.
    ParamDisplay(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background,
                 std::int32_t style);

    // The common drawing: background (clickedBitmap, when given, instead of the
    // control's), border, then text (none: no text). Marks the display clean.
    void drawDisplay(DrawContext* context, const char* text, Bitmap* clickedBitmap = nullptr);

    // Writes the text shown for from into shown (kDisplayTextSize characters)
    // through the conversion with the display's user data when there is one, else
    // the plain conversion, else fallback. Conversions are outside code: never
    // trust them to terminate the text.
    template <class From, class WithData, class Plain, class Fallback>
    void convertText(From from, char* shown, WithData withData, Plain plain, Fallback fallback) const {
        if (withData) {
            withData(from, shown, userData_);
        } else if (plain) {
            plain(from, shown);
        } else {
            fallback(from, shown);
        }
        shown[kDisplayTextSize - 1] = '\0';
    }

    ValueToTextProc valueToText_ = nullptr;
    ValueToTextWithDataProc valueToTextWithData_ = nullptr;
    void* userData_ = nullptr;
    TextToValueProc textToValue_ = nullptr;
    TextAlign horizontalAlign_ = kAlignCenter;
    std::int32_t style_;
    FontId font_ = kFontMedium;
    std::int32_t textFace_ = 0;
    Color fontColor_ = colorWhite;
    Color backgroundColor_ = colorBlack;
    Color frameColor_ = colorBlack;
    Color shadowColor_ = colorRed;
    bool textTransparent_ = true;

private:
    // Stores value in field and marks the display dirty when that changes what
    // it shows.
    template <class T>
    void setShown(T& field, const T& value);
};

}  // namespace qp
