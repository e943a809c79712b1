#include "gui/TrackingScope.h"

#include "gui/Frame.h"
#include "gui/View.h"

namespace qp {

TrackingScope::TrackingScope(View& view)
    : view_(view),
      frame_(view.getFrame()),
      callOut_(frame_ ? &frame_->lifeline_ : nullptr) {
    view_.retain();
}

TrackingScope::~TrackingScope() {
    if (Frame* frame = this->frame(); frame && editOpen_) {
        frame->endEdit(editTag_);
    }
    view_.release();
}

void TrackingScope::beginEdit(std::int32_t tag) {
    Frame* frame = this->frame();
    if (!frame) {
        return;
    }
    frame->beginEdit(tag);
    editOpen_ = true;
    editTag_ = tag;
}

bool TrackingScope::idle() {
    if (Frame* frame = this->frame()) {
        frame->doIdleProcessing();
    }
    return !frameLost();
}

}  // namespace qp
