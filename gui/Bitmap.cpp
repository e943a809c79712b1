#include "gui/Bitmap.h"

#include "gui/GuiModule.h"

namespace qp {

Bitmap::Bitmap(std::int32_t resourceId)
    : resourceId_(resourceId) {
    load(guiModule());
}

Bitmap::Bitmap(NativeModule module, std::int32_t resourceId)
    : resourceId_(resourceId) {
    load(module);
}

Bitmap::Bitmap(std::int32_t resourceId, std::int32_t width, std::int32_t height, const std::uint8_t* rgb)
    : resourceId_(resourceId) {
    // The product's largest picture (the 300 % knob strip) is some 8 million
    // pixels; anything past this bound is a caller's mistake, not a picture.
    constexpr std::int64_t kMostPixels = std::int64_t(1) << 26;
    if (rgb && width > 0 && height > 0 && std::int64_t(width) * height <= kMostPixels) {
        loadPixels(width, height, rgb);
    }
}

void Bitmap::release() {
    if (refCount_ <= 0) {
        return;
    }
    if (--refCount_ == 0) {
        delete this;
    }
}

}  // namespace qp
