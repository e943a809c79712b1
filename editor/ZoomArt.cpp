#include "editor/ZoomArt.h"

#include <mutex>
#include <new>

#include "editor/art/Art.h"
#include "gui/Zoom.h"
#include "resources/ResourceIds.h"

namespace qp {

namespace {

struct Drawn {
    std::once_flag once;
    art::Picture picture;
};

constexpr std::int32_t kPictureCount = 3;

std::int32_t pictureIndex(std::int32_t resourceId) {
    switch (resourceId) {
        case kFaceBitmapId:
            return 0;
        case kAboutBitmapId:
            return 1;
        case kKnobStripBitmapId:
            return 2;
        default:
            return -1;
    }
}

std::int32_t stepIndex(std::int32_t percent) {
    for (std::int32_t i = 0; i < kZoomStepCount; ++i) {
        if (kZoomSteps[i] == percent) {
            return i;
        }
    }
    return -1;
}

art::Picture draw(std::int32_t picture, std::int32_t percent) {
    switch (picture) {
        case 0:
            return art::drawFace(percent);
        case 1:
            return art::drawAbout(percent);
        default:
            return art::drawKnobStrip(percent);
    }
}

}  // namespace

const art::Picture* zoomedPicture(std::int32_t resourceId, std::int32_t percent) {
    const std::int32_t picture = pictureIndex(resourceId);
    const std::int32_t step = stepIndex(percent);
    if (picture < 0 || step < 0 || percent == kUnzoomed) {
        return nullptr;
    }
    // Function-local, so nothing is made before the first editor asks, and the
    // pictures outlive every editor (the library stays loaded, see plugin/).
    static Drawn drawn[kPictureCount][kZoomStepCount];
    Drawn& slot = drawn[picture][step];
    std::call_once(slot.once, [&] {
        try {
            slot.picture = draw(picture, percent);
        } catch (const std::bad_alloc&) {
            // No memory for the step: its editors stay at 100 %.
            slot.picture = art::Picture{};
        }
    });
    return slot.picture.width > 0 ? &slot.picture : nullptr;
}

}  // namespace qp
