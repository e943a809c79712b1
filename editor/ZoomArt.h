// The editor's pictures at the zoom steps other than 100 %: drawn by the art code
// (editor/art) the first time any editor of the process needs them, then shared
// by every editor until the process ends. 100 % is the bitmap resources
// themselves, so it is never drawn here, and a step nobody uses is never drawn.
#pragma once

#include <cstdint>

namespace qp {

namespace art {
struct Picture;
}

// The picture of resource resourceId (the face, the about picture or the knob
// strip) at a zoom step, or null for 100 %, for a percent that is no step and for
// a resource without art. Safe from any thread; the first caller for a step
// draws (a few hundred milliseconds at 300 %), later ones wait for it.
const art::Picture* zoomedPicture(std::int32_t resourceId, std::int32_t percent);

}  // namespace qp
