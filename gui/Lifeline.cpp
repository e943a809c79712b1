#include "gui/Lifeline.h"

namespace qp {

void Lifeline::end() {
    for (CallOut* call = open_; call; call = call->next_) {
        call->lost_ = true;
        call->lifeline_ = nullptr;
    }
    open_ = nullptr;
    ended_ = true;
}

CallOut::CallOut(Lifeline* lifeline)
    : lifeline_(lifeline && !lifeline->ended_ ? lifeline : nullptr) {
    if (lifeline_) {
        next_ = lifeline_->open_;
        lifeline_->open_ = this;
    }
}

CallOut::~CallOut() {
    if (!lifeline_) {
        return;
    }
    for (CallOut** link = &lifeline_->open_; *link; link = &(*link)->next_) {
        if (*link == this) {
            *link = next_;
            return;
        }
    }
}

}  // namespace qp
