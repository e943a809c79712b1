#include "gui/OnOffButton.h"

#include "gui/Bitmap.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/TrackingScope.h"

namespace qp {

OnOffButton::OnOffButton(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background)
    : Control(size, listener, tag, background) {}

OnOffButton::~OnOffButton() = default;

void OnOffButton::draw(DrawContext* context) {
    if (background_) {
        // Off in the upper half, on in the lower.
        const Point source(0, value_ != 0.0f ? background_->getHeight() / 2 : 0);
        if (transparent_) {
            background_->drawTransparent(context, size_, source);
        } else {
            background_->draw(context, size_, source);
        }
    }
    setDirty(false);
}

void OnOffButton::mouseDown(DrawContext* context, Point) {
    if (!context || !mouseEnabled_ || !(context->pollMouseButtons() & kButtonLeft)) {
        return;
    }
    TrackingScope tracking(*this);
    // The integer part decides: 0.7 counts as off and becomes 1.
    setValue(std::int32_t(value_) != 0 ? 0.0f : 1.0f);
    // The host may close the editor in the idle step: then nobody is told.
    if (tracking.idle() && listener_) {
        listener_->valueChanged(context, this);
    }
}

}  // namespace qp
