// The library's front door: DllMain records the module handle, and `main` (the
// only export, renamed from quorrelphoneMain by Quorrelphone.def because C++ does
// not let a function called main return a pointer) hands the host its record.
#include <windows.h>

#include "effect/PluginMain.h"
#include "host/ModuleHandle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    qp::setModuleHandle(instance);
    return TRUE;
}

extern "C" qp::AEffect* QP_CDECL quorrelphoneMain(qp::HostCallback callback) {
    return qp::pluginMain(callback);
}
