// The one symbol the UI's shared object exports (the link's version script hides
// the rest, the statically linked C++ runtime included).
#include "effect/Settings.h"
#include "host/PlatformPosix.h"
#include "lv2/ui/Lv2UiDescriptor.h"

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    // The UI's editors keep the user's settings (the zoom) in the user's settings
    // file; a host asks for the descriptor before its first instance.
    qp::keepSettingsInTheUsersFile(qp::kProductName);
    return qp::lv2::uiDescriptor(index);
}
