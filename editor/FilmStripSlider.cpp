#include "editor/FilmStripSlider.h"

#include "gui/Bitmap.h"

namespace qp {

FilmStripSlider::FilmStripSlider(const Rect& size, ControlListener* listener, std::int32_t tag,
                                 std::int32_t frames, std::int32_t frameHeight, std::int32_t minimumPosition,
                                 std::int32_t maximumPosition, Bitmap* background, Point offset,
                                 std::int32_t style)
    : VerticalSlider(size, listener, tag, minimumPosition, maximumPosition, nullptr, background, offset,
                     style),
      FilmStrip(frames, frameHeight) {}

FilmStripSlider::~FilmStripSlider() = default;

std::int32_t FilmStripSlider::frameTop(float value, std::int32_t frames, std::int32_t frameHeight) {
    // The nearest frame: 0.5 rounds, and "not above 0" (NaN included) is frame 0.
    if (!(value > 0.0f)) {
        return 0;
    }
    if (value > 1.0f) {
        value = 1.0f;
    }
    const std::int32_t frame = std::int32_t(float(frames - 1) * value + 0.5f);
    return frame * frameHeight;
}

void FilmStripSlider::draw(DrawContext* context) {
    if (value_ > 1.0f) {
        value_ = 1.0f;
    }
    Point source = offset_;
    source.v += frameTop(value_, frames_, frameHeight_);
    drawBackgroundFrame(context, source);
    setDirty(false);
}

}  // namespace qp
