// The module's editors keep the user's settings (the zoom) in the user's settings
// file, as the LV2 UI's do, from the module's load on.
#include "effect/Settings.h"
#include "host/PlatformPosix.h"

namespace {

const bool installed = (qp::keepSettingsInTheUsersFile(qp::kProductName), true);

}  // namespace
