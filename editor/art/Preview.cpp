#include <cstring>

#include "editor/art/Art.h"
#include "gui/Zoom.h"

namespace qp::art {

namespace {

// Copies rows of src from srcTop onto dst at (left, top), leaving the key green
// out where asked, as the editor's keyed drawing does.
void place(Picture& dst, const Picture& src, std::int32_t srcTop, std::int32_t rows, Point at, bool keyed) {
    for (std::int32_t y = 0; y < rows && at.v + y < dst.height; ++y) {
        for (std::int32_t x = 0; x < src.width && at.h + x < dst.width; ++x) {
            const std::uint8_t* c =
                src.rgb.data() + (std::size_t(srcTop + y) * std::size_t(src.width) + x) * 3;
            if (keyed && std::memcmp(c, kKeyGreen, 3) == 0) {
                continue;
            }
            std::memcpy(dst.rgb.data() + (std::size_t(at.v + y) * std::size_t(dst.width) + at.h + x) * 3, c,
                        3);
        }
    }
}

}  // namespace

Picture drawEditorPreview(std::int32_t percent, std::int32_t knobFrame, bool withAbout) {
    Picture preview = drawFace(percent);
    const Picture knob = drawKnobStrip(percent);
    const std::int32_t frame = zoomed(kKnobFrameSize, percent);
    if (knobFrame >= 0 && knobFrame < kKnobFrames) {
        for (const Rect& r : kKnobRects) {
            place(preview, knob, knobFrame * frame, frame, zoomed(r, percent).topLeft(), true);
        }
    }
    if (withAbout) {
        const Picture about = drawAbout(percent);
        place(preview, about, 0, about.height, zoomed(kAboutOrigin, percent), false);
    }
    return preview;
}

}  // namespace qp::art
