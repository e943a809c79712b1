// The LV2 UI record, as lv2ui_descriptor hands it to a host; apart from the
// exported entry point, as the plug-in's record is.
#pragma once

#include <cstdint>

#include <lv2/ui/ui.h>

namespace qp::lv2 {

// The X11 UI for index 0; null for any other index.
const LV2UI_Descriptor* uiDescriptor(std::uint32_t index);

}  // namespace qp::lv2
