#include "gui/GuiModule.h"

#include "gui/NativeHandlesWin32.h"

namespace qp {

namespace {

HINSTANCE theModule = nullptr;

// The module this very code was linked into, found from one of its addresses.
HINSTANCE moduleOfThisCode() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&moduleOfThisCode), &module);
    return module;
}

}  // namespace

void setGuiModule(NativeModule module) { theModule = win32::hinstance(module); }

NativeModule guiModule() {
    if (!theModule) {
        theModule = moduleOfThisCode();
    }
    return theModule;
}

}  // namespace qp
