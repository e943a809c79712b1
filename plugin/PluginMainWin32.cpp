// The library's front door: DllMain records the module handle, and `main` (the
// only export, renamed from quorrelphoneMain by Quorrelphone.def because C++ does
// not let a function called main return a pointer) hands the host its record.
#include <windows.h>

#include "editor/BuzzEditor.h"
#include "effect/BuzzEffect.h"
#include "effect/PluginMain.h"
#include "gui/DropTarget.h"
#include "gui/GuiModule.h"
#include "host/ModuleHandle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    qp::setModuleHandle(instance);
    // The editor's bitmaps and the frame's window class belong to this library.
    qp::setGuiModule(instance);
    return TRUE;
}

extern "C" qp::AEffect* QP_CDECL quorrelphoneMain(qp::HostCallback callback) {
    // The effect builds its editor in its constructor, so the makers go in first.
    qp::setEditorFactory(qp::makeBuzzEditor);
    qp::DropTarget::install();
    return qp::pluginMain(callback);
}
