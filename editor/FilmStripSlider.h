// A vertical slider drawn as one frame of a film strip picked by its value. The
// mouse, keys and wheel are the slider's (with a 1 x 1 handle, as there is no
// handle bitmap); only the picture differs, and it is drawn straight into the
// context without the slider's off-screen surface.
#pragma once

#include <cstdint>

#include "gui/FilmStrip.h"
#include "gui/VerticalSlider.h"

namespace qp {

class FilmStripSlider : public VerticalSlider, public FilmStrip {
public:
    FilmStripSlider(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t frames,
                    std::int32_t frameHeight, std::int32_t minimumPosition, std::int32_t maximumPosition,
                    Bitmap* background, Point offset, std::int32_t style);
    ~FilmStripSlider() override;

    // A value above 1 is brought back to 1 (stored); 0 or below shows frame 0.
    void draw(DrawContext* context) override;

    // The strip row the value's frame starts at (before the offset).
    static std::int32_t frameTop(float value, std::int32_t frames, std::int32_t frameHeight);
};

}  // namespace qp
