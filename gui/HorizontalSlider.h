// A Slider along the horizontal axis; by default value 0 is at the left.
#pragma once

#include "gui/Slider.h"

namespace qp {

class HorizontalSlider : public Slider {
public:
    HorizontalSlider(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t minimumPosition,
                     std::int32_t maximumPosition, Bitmap* handle, Bitmap* background, Point offset = Point(),
                     std::int32_t style = kSliderLeft);
};

}  // namespace qp
