// On X11 the toolkit's pictures are built into the library itself, so the module
// is only remembered for whoever set it; nothing is loaded through it.
#include "gui/GuiModule.h"

namespace qp {

namespace {

NativeModule theModule = nullptr;

}  // namespace

void setGuiModule(NativeModule module) { theModule = module; }

NativeModule guiModule() { return theModule; }

}  // namespace qp
