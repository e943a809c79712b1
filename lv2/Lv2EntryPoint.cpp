// The one symbol the shared object exports (everything else is hidden, and the
// link's version script keeps it so): the LV2 entry point, lv2/'s composition
// root as plugin/PluginMainWin32.cpp is the DLL's.
#include "lv2/Lv2Descriptor.h"

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) { return qp::lv2::descriptor(index); }
