// The factory bank as LV2 presets. The bank is loaded into the VST 2 effect
// through its record, as `qphost render --bank` loads it, and every program's
// name and live values are read back from the effect: the presets hold exactly
// what the programs play, by the effect's own rules (per-program values,
// clamping), with nothing of those rules restated here.
#pragma once

#include <string>
#include <vector>

#include "lv2/bundle/BundleText.h"

namespace qp::lv2 {

bool readFactoryPresets(const std::string& bankPath, std::vector<BundlePreset>* presets, std::string* error);

}  // namespace qp::lv2
