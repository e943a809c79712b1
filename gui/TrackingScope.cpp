#include "gui/TrackingScope.h"

#include "gui/Frame.h"
#include "gui/View.h"

namespace qp {

TrackingScope::TrackingScope(View& view)
    : view_(view),
      frame_(view.getFrame()),
      hadFrame_(frame_ != nullptr) {
    view_.retain();
    if (frame_) {
        frame_->addTracking(this);
    }
}

TrackingScope::~TrackingScope() {
    if (frame_) {
        if (editOpen_) {
            frame_->endEdit(editTag_);
        }
        frame_->removeTracking(this);
    }
    view_.release();
}

void TrackingScope::beginEdit(std::int32_t tag) {
    if (!frame_) {
        return;
    }
    frame_->beginEdit(tag);
    editOpen_ = true;
    editTag_ = tag;
}

bool TrackingScope::idle() {
    if (frame_) {
        frame_->doIdleProcessing();
    }
    return !frameLost();
}

}  // namespace qp
