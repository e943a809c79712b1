#include "editor/AboutBox.h"

#include <cstring>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

namespace qp {

namespace {

// The font and alignment a parameter display uses by default, so the caption
// reads like every other text of the toolkit.
constexpr FontId kCaptionFont = kFontMedium;

}  // namespace

AboutBox::AboutBox(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t pictureHeight,
                   Bitmap* background, Point offset, const char* caption, const Rect& captionRect,
                   Color captionColor)
    : ToggleButton(size, listener, tag, pictureHeight, background, offset),
      captionRect_(captionRect),
      captionColor_(captionColor) {
    const char* text = caption ? caption : " ";
    std::strncpy(caption_, text, kCaptionSize - 1);
    caption_[kCaptionSize - 1] = '\0';
}

AboutBox::~AboutBox() = default;

void AboutBox::draw(DrawContext* context) {
    clampValue();
    const Point source(0, value_ == 0.0f ? 0 : pictureHeight_);
    drawBackgroundFrame(context, source);
    if (caption_[0] != ' ') {
        // No background fill: the caption sits straight on whatever is beneath.
        context->selectFont(kCaptionFont);
        context->setFontColor(captionColor_);
        context->drawText(caption_, captionRect_, 0, kAlignCenter);
    }
    lastShownValue_ = value_;
    setDirty(false);
}

void AboutBox::mouseDown(DrawContext* context, Point where) { ToggleButton::mouseDown(context, where); }

}  // namespace qp
