// The Linux library's front door. Hosts look the entry up as VSTPluginMain, older
// ones as `main`; both names are one function. A C++ function cannot be called
// main and return a pointer, so the second name is its assembler label, and the
// link's version script (Quorrelphone.map) keeps these two and nothing else
// visible. The library stays loaded once loaded (nodelete, as the DLL pins
// itself), so what is made here once lives until the process ends.
#include "editor/vst2/Vst2Editor.h"
#include "effect/PluginMain.h"
#include "effect/Settings.h"
#include "host/PlatformPosix.h"

extern "C" __attribute__((visibility("default"))) qp::AEffect* VSTPluginMain(qp::HostCallback callback) {
    // The effect's settings (learnt controllers, defaults) and the editor's zoom
    // go into the user's settings file, the one the LV2 UI uses too.
    qp::keepSettingsInTheUsersFile(qp::kProductName);
    return qp::pluginMain(callback, qp::makeBuzzEditor);
}

extern "C" __attribute__((visibility("default"))) qp::AEffect* quorrelphoneMain(
    qp::HostCallback callback) __asm__("main");
extern "C" qp::AEffect* quorrelphoneMain(qp::HostCallback callback) { return VSTPluginMain(callback); }
