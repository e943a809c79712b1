// A Slider along the vertical axis; by default value 0 is at the bottom.
#pragma once

#include "gui/Slider.h"

namespace qp {

class VerticalSlider : public AxisSlider<kSliderVertical, kSliderBottom> {
public:
    using AxisSlider::AxisSlider;
};

}  // namespace qp
