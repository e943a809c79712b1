#include "gui/HorizontalSlider.h"

namespace qp {

HorizontalSlider::HorizontalSlider(const Rect& size, ControlListener* listener, std::int32_t tag,
                                   std::int32_t minimumPosition, std::int32_t maximumPosition, Bitmap* handle,
                                   Bitmap* background, Point offset, std::int32_t style)
    : Slider(size, listener, tag, minimumPosition, maximumPosition, handle, background, offset,
             style | kSliderHorizontal) {}

}  // namespace qp
