// The LV2 record of the plug-in, as lv2_descriptor hands it to a host. Kept apart
// from the exported entry point so the tests drive the plug-in through exactly
// what a host calls, without loading the shared object.
#pragma once

#include <cstdint>

#include <lv2/core/lv2.h>

namespace qp::lv2 {

// The record for index 0; null for any other index.
const LV2_Descriptor* descriptor(std::uint32_t index);

}  // namespace qp::lv2
