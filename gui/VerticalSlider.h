// A Slider along the vertical axis; by default value 0 is at the bottom.
#pragma once

#include "gui/Slider.h"

namespace qp {

class VerticalSlider : public Slider {
public:
    VerticalSlider(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t minimumPosition,
                   std::int32_t maximumPosition, Bitmap* handle, Bitmap* background, Point offset = Point(),
                   std::int32_t style = kSliderBottom);
};

}  // namespace qp
