// A Slider along the horizontal axis; by default value 0 is at the left.
#pragma once

#include "gui/Slider.h"

namespace qp {

class HorizontalSlider : public AxisSlider<kSliderHorizontal, kSliderLeft> {
public:
    using AxisSlider::AxisSlider;
};

}  // namespace qp
