// The DLL pins itself at load, as the VST 2 DLL does (plugin/PluginMainWin32.cpp
// says why at length): the statically linked MinGW runtime takes a thread-local
// storage slot it never gives back, so every unload and reload by a host that
// scans its CLAP folders would cost one of the process's 1,088 slots, and the
// runtime aborts the host when they run out. Pinned, the image stays mapped after
// the host's last FreeLibrary, once per process. The editor's bitmaps and its
// frame's window class are this DLL's.
#include <windows.h>

#include "gui/GuiModule.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        HMODULE pinned = nullptr;
        // Should pinning fail, the module still works; it only costs a slot per load.
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(instance), &pinned);
    }
    qp::setGuiModule(instance);
    return TRUE;
}
