// The toolkit's module on X11 is a table of embedded pictures: the one the
// binary marks default (ResourcesX11.h) until the library entry point names
// another.
#include "gui/GuiModule.h"
#include "gui/ResourcesX11.h"

namespace qp {

namespace {

NativeModule theModule = nullptr;

}  // namespace

void setGuiModule(NativeModule module) { theModule = module; }

NativeModule guiModule() {
    if (!theModule) {
        // Read at each call until set: the default table registers itself during
        // static initialisation, which may come after an early caller.
        return const_cast<x11::ResourceTable*>(x11::defaultResources());
    }
    return theModule;
}

}  // namespace qp
