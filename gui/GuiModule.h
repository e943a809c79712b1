// The module whose resources the toolkit loads and whose instance its window class
// belongs to. The library entry point sets it; until then it is the module that
// contains the toolkit's own code, which is the right one when the toolkit is
// linked into the plug-in and the test executable's own when linked into a test.
#pragma once

#include "gui/NativeHandles.h"

namespace qp {

void setGuiModule(NativeModule module);
NativeModule guiModule();

}  // namespace qp
