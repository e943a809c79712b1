#include "gui/ParamDisplay.h"

#include <cstdio>

#include "gui/Bitmap.h"

namespace qp {

namespace {

// A colour change that touches only alpha leaves the display as it is.
bool sameShown(Color a, Color b) { return a.sameRgb(b); }
template <class T>
bool sameShown(const T& a, const T& b) {
    return a == b;
}

}  // namespace

template <class T>
void ParamDisplay::setShown(T& field, const T& value) {
    if (!sameShown(field, value)) {
        field = value;
        setDirty(true);
    }
}

ParamDisplay::ParamDisplay(const Rect& size, Bitmap* background, std::int32_t style)
    : ParamDisplay(size, nullptr, 0, background, style) {}

ParamDisplay::ParamDisplay(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background,
                           std::int32_t style)
    : Control(size, listener, tag, background),
      style_(style) {
    // A display that never draws must not keep the frame's idle busy either.
    if (style_ & kDisplayNoDrawing) {
        setDirty(false);
    }
}

ParamDisplay::~ParamDisplay() = default;

void ParamDisplay::draw(DrawContext* context) {
    char text[kDisplayTextSize] = {};
    convertText(value_, text, valueToTextWithData_, valueToText_, [](float value, char* text) {
        std::snprintf(text, kDisplayTextSize, "%2.2f", double(value));
    });
    drawDisplay(context, text);
}

void ParamDisplay::drawDisplay(DrawContext* context, const char* text, Bitmap* clickedBitmap) {
    setDirty(false);
    if ((style_ & kDisplayNoDrawing) || !context) {
        return;
    }

    const bool border = (style_ & (kDisplayBorderSunken | kDisplayBorderRaised)) != 0;
    Bitmap* picture = clickedBitmap ? clickedBitmap : background_;
    if (picture) {
        if (transparent_) {
            picture->drawTransparent(context, size_, backgroundOffset_);
        } else {
            picture->draw(context, size_, backgroundOffset_);
        }
    } else if (!transparent_) {
        context->setFillColor(backgroundColor_);
        context->fillRect(size_);
        if (!border) {
            context->setLineColor(frameColor_);
            context->drawRectOutline(size_);
        }
    }

    if (border) {
        const bool sunken = (style_ & kDisplayBorderSunken) != 0;
        context->setLineColor(sunken ? backgroundColor_ : frameColor_);
        context->moveTo(Point(size_.left, size_.bottom));
        context->lineTo(Point(size_.left, size_.top));
        context->lineTo(Point(size_.right + 1, size_.top));
        context->setLineColor(sunken ? frameColor_ : backgroundColor_);
        context->moveTo(Point(size_.right, size_.top + 1));
        context->lineTo(Point(size_.right, size_.bottom));
        context->lineTo(Point(size_.left, size_.bottom));
    }

    if ((style_ & kDisplayNoText) || !text) {
        return;
    }
    context->selectFont(font_, 0, textFace_);
    const std::int16_t opaque = textTransparent_ ? 0 : 1;
    // An opaque text cell is filled with the fill colour: make that ours, not
    // whatever the previous view left in the context.
    if (opaque) {
        context->setFillColor(backgroundColor_);
    }
    if (style_ & kDisplayShadowText) {
        context->setFontColor(shadowColor_);
        context->drawText(text, size_.offsetBy(1, 1), opaque, horizontalAlign_);
    }
    context->setFontColor(fontColor_);
    context->drawText(text, size_, opaque, horizontalAlign_);
}

void ParamDisplay::setFont(FontId font) { setShown(font_, font); }

void ParamDisplay::setFontColor(Color color) { setShown(fontColor_, color); }

void ParamDisplay::setBackgroundColor(Color color) { setShown(backgroundColor_, color); }

void ParamDisplay::setFrameColor(Color color) { setShown(frameColor_, color); }

void ParamDisplay::setShadowColor(Color color) { setShown(shadowColor_, color); }

void ParamDisplay::setHorizontalAlign(TextAlign align) { setShown(horizontalAlign_, align); }

void ParamDisplay::setValueToTextWithData(ValueToTextWithDataProc proc, void* userData) {
    valueToTextWithData_ = proc;
    userData_ = userData;
}

void ParamDisplay::setValueToText(ValueToTextProc proc) { valueToText_ = proc; }

void ParamDisplay::setTextToValue(TextToValueProc proc) { textToValue_ = proc; }

void ParamDisplay::setStyle(std::int32_t style) { setShown(style_, style); }

void ParamDisplay::setTextFace(std::int32_t face) { setShown(textFace_, face); }

void ParamDisplay::setTextTransparency(bool transparent) { textTransparent_ = transparent; }

}  // namespace qp
