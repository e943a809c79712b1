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

void Bitmap::release() {
    if (refCount_ <= 0) {
        return;
    }
    if (--refCount_ == 0) {
        delete this;
    }
}

}  // namespace qp
