// The about screen: a picture with a caption line, shown over the face as the
// frame's modal view and dismissed by a click, which toggles its value and so
// tells the listener (tag 4 in this editor). The mouse is the ToggleButton's.
#pragma once

#include <cstdint>

#include "gui/Color.h"
#include "gui/ToggleButton.h"

namespace qp {

class AboutBox : public ToggleButton {
public:
    static constexpr std::int32_t kCaptionSize = 256;

    // A missing caption is stored as a single space, and a caption starting with
    // a space is not drawn. Longer captions are cut to kCaptionSize - 1 characters.
    AboutBox(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t pictureHeight,
             Bitmap* background, Point offset, const char* caption, const Rect& captionRect,
             Color captionColor);
    ~AboutBox() override;

    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;

    const char* getCaption() const { return caption_; }
    const Rect& getCaptionRect() const { return captionRect_; }
    Color getCaptionColor() const { return captionColor_; }

private:
    char caption_[kCaptionSize] = {};
    Rect captionRect_;
    Color captionColor_;
};

}  // namespace qp
