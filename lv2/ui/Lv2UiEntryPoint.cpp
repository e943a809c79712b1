// The one symbol the UI's shared object exports (the link's version script hides
// the rest, the statically linked C++ runtime included).
#include "lv2/ui/Lv2UiDescriptor.h"

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return qp::lv2::uiDescriptor(index);
}
