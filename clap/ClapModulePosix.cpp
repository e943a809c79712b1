// The module's editors keep the user's settings (the zoom) in the user's settings
// file, as the LV2 UI's do. Only the module installs it: the tests link the rest
// without this file, so they never write into a real home. The module is never
// unloaded (nodelete), so the platform is made once, when it is loaded, and
// never destroyed; making it only stores the product's name.
#include "effect/Settings.h"
#include "host/PlatformPosix.h"

namespace {

const bool installed = [] {
    qp::setCurrentPlatform(new qp::PosixPlatform(qp::kProductName));
    return true;
}();

}  // namespace
