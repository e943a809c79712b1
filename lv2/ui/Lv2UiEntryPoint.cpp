// The one symbol the UI's shared object exports (the link's version script hides
// the rest, the statically linked C++ runtime included).
#include "effect/Settings.h"
#include "host/PlatformPosix.h"
#include "lv2/ui/Lv2UiDescriptor.h"

namespace {

// The UI's editors keep the user's settings (the zoom) in
// the user's settings file. Only this object installs it: the glue's tests link
// the rest without this file, so they never write into a real home. A host asks
// for the descriptor before its first instance; the object is never unloaded
// (nodelete), so the platform is made once and never destroyed.
void keepSettingsInTheUsersFile() {
    static const bool installed = [] {
        qp::setCurrentPlatform(new qp::PosixPlatform(qp::kProductName));
        return true;
    }();
    (void)installed;
}

}  // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    keepSettingsInTheUsersFile();
    return qp::lv2::uiDescriptor(index);
}
