// The library's front door: DllMain pins the library and records its module
// handle, and `main` (the only export, renamed from quorrelphoneMain by
// Quorrelphone.def because C++ does not let a function called main return a
// pointer) hands the host its record.
#include <windows.h>

#include "editor/vst2/Vst2Editor.h"
#include "effect/BuzzEffect.h"
#include "effect/PluginMain.h"
#include "gui/DropTargetWin32.h"
#include "gui/GuiModule.h"
#include "host/ModuleHandle.h"

namespace {

// Keeps the library mapped until the process ends: a FreeLibrary from the host
// leaves it in place, and a later LoadLibrary finds it already there.
//
// The statically linked runtime (winpthreads) takes a thread-local storage slot
// the first time it needs one and never gives it back: in 32-bit at load, for
// the unwinder's frame registration; in 64-bit at the first function-local
// static. Unloaded and loaded again, the library would take a new slot each
// time, and a host that scans plug-ins in one process, unloads a library with
// its last effect or just runs long would use up its 1,088 slots; the runtime
// then aborts the host. Our code cannot keep the runtime off that slot (the
// 32-bit one goes before our code runs, and any thrown exception takes one
// too); MinGW's win32 thread model has no winpthreads, but its exception
// support keeps a slot too, and it cannot build the threaded tests. What pinning
// costs a host: our image stays mapped after its last FreeLibrary (about 4 MB of
// address space, once per process, not per load), the file stays in use until
// the host exits, and a reload finds our statics as the last load left them, as
// a second effect of one load already does.
void pinLibrary(HINSTANCE instance) {
    HMODULE pinned = nullptr;
    // Should pinning fail, the library still works; it only costs a slot per load.
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(instance), &pinned);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        pinLibrary(instance);
    }
    qp::setModuleHandle(instance);
    // The editor's bitmaps and the frame's window class belong to this library.
    qp::setGuiModule(instance);
    return TRUE;
}

extern "C" qp::AEffect* QP_CDECL quorrelphoneMain(qp::HostCallback callback) {
    // The toolkit's drop target is registered once per process, before any
    // editor's window; the effect is handed its editor's maker.
    qp::DropTarget::install();
    return qp::pluginMain(callback, qp::makeBuzzEditor);
}
