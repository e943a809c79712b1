// Modifier keys pressed at the X server itself, for the few real-input tests
// that hold a modifier while the mouse moves.
//
// Why: under Wine the X11 driver brings its modifier state into line with the X
// server's on every pointer event, so a shift pressed with SendInput (which the
// X server never sees) is let go again at the next mouse move. A key pressed
// through the X server's test extension is what the X server (and so Wine) sees
// as held. The press is made by a short python3 script (ctypes over libX11 and
// libXtst) started as a Unix process through Wine's own spawn entry point.
//
// Wine learns of such a key only with the next pointer event, so a test also
// presses it with SendInput (RealInput::keyDown) right after: Wine then holds it
// at once, and the pointer events that follow agree with it.
#pragma once

#include <windows.h>

namespace qp::test {

class XServerKeys {
public:
    // Whether keys can be pressed this way here (Wine, python3, libXtst).
    static bool available() {
        static const int state = probe();
        return state == 1;
    }

    // keysym: an X key name such as "Shift_L" or "Control_L".
    static bool set(const char* keysym, bool down) {
        Spawn spawn = spawnEntry();
        if (!spawn) {
            return false;
        }
        char script[] =
            "import ctypes,sys\n"
            "x=ctypes.CDLL('libX11.so.6'); t=ctypes.CDLL('libXtst.so.6')\n"
            "x.XOpenDisplay.restype=ctypes.c_void_p\n"
            "x.XStringToKeysym.restype=ctypes.c_ulong\n"
            "x.XKeysymToKeycode.argtypes=[ctypes.c_void_p,ctypes.c_ulong]\n"
            "t.XTestFakeKeyEvent.argtypes=[ctypes.c_void_p,ctypes.c_uint,ctypes.c_int,ctypes.c_ulong]\n"
            "x.XFlush.argtypes=[ctypes.c_void_p]; x.XCloseDisplay.argtypes=[ctypes.c_void_p]\n"
            "d=x.XOpenDisplay(None)\n"
            "if not d: sys.exit(3)\n"
            "k=x.XKeysymToKeycode(d,x.XStringToKeysym(sys.argv[1].encode()))\n"
            "if sys.argv[2]!='probe': t.XTestFakeKeyEvent(d,k,int(sys.argv[2]),0)\n"
            "x.XFlush(d); x.XCloseDisplay(d)\n";
        char python[] = "python3";
        char dashC[] = "-c";
        char key[64];
        lstrcpynA(key, keysym, sizeof(key));
        char state[8];
        lstrcpyA(state, down ? "1" : "0");
        char* argv[] = {python, dashC, script, key, state, nullptr};
        return spawn(argv, 1) == 0;
    }

private:
    using Spawn = LONG(__cdecl*)(char* const* argv, int wait);

    static Spawn spawnEntry() {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll ? reinterpret_cast<Spawn>(
                           reinterpret_cast<void*>(GetProcAddress(ntdll, "__wine_unix_spawnvp")))
                     : nullptr;
    }

    static int probe() {
        Spawn spawn = spawnEntry();
        if (!spawn) {
            return 0;
        }
        char python[] = "python3";
        char dashC[] = "-c";
        char script[] =
            "import ctypes\n"
            "ctypes.CDLL('libX11.so.6').XOpenDisplay.restype=ctypes.c_void_p\n"
            "ctypes.CDLL('libXtst.so.6')\n"
            "import sys\n"
            "sys.exit(0 if ctypes.CDLL('libX11.so.6').XOpenDisplay(None) else 3)\n";
        char* argv[] = {python, dashC, script, nullptr};
        return spawn(argv, 1) == 0 ? 1 : 0;
    }
};

}  // namespace qp::test
