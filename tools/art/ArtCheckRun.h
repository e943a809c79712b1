// qp_art --check: the committed pictures are the 100 % output, every step passes
// the editor's checks and is drawn, not resampled; and the checks themselves
// reject each known kind of broken picture.
#pragma once

#include <string>

namespace qp::art {

// Prints one line (ok with the figures, or FAILED with the reason); the exit status.
int runChecks(const std::string& resourcesDir);

}  // namespace qp::art
