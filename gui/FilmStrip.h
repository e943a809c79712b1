// The shape of a vertical film strip that a control shows one frame of: frames
// pictures, each frameHeight pixels high, one under another.
#pragma once

#include <cstdint>

namespace qp {

class FilmStrip {
public:
    FilmStrip(std::int32_t frames, std::int32_t frameHeight)
        : frames_(frames),
          frameHeight_(frameHeight) {}

    std::int32_t getFrames() const { return frames_; }
    std::int32_t getFrameHeight() const { return frameHeight_; }

protected:
    std::int32_t frames_;
    std::int32_t frameHeight_;
};

}  // namespace qp
