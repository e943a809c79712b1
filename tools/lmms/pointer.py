#!/usr/bin/env python3
"""Prints the X windows under the pointer, from the root's child down to the
deepest one, as decimal ids on one line: which window a click there reaches.

usage: pointer.py   (on the display named by DISPLAY)

xdotool names only windows with a client property, so it answers 0 over a
plain window; this asks the X server itself (XQueryPointer, one level at a time).
"""
import ctypes
import sys


def main():
    xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    window_out = ctypes.POINTER(ctypes.c_ulong)
    int_out = ctypes.POINTER(ctypes.c_int)
    xlib.XQueryPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, window_out, window_out,
                                   int_out, int_out, int_out, int_out, ctypes.POINTER(ctypes.c_uint)]
    display = xlib.XOpenDisplay(None)
    if not display:
        print("cannot open the display", file=sys.stderr)
        return 1
    window, chain = xlib.XDefaultRootWindow(display), []
    root, child = ctypes.c_ulong(), ctypes.c_ulong()
    coordinates = [ctypes.c_int() for _ in range(4)]
    mask = ctypes.c_uint()
    while True:
        xlib.XQueryPointer(display, window, ctypes.byref(root), ctypes.byref(child),
                           *(ctypes.byref(c) for c in coordinates), ctypes.byref(mask))
        if not child.value:
            break
        window = child.value
        chain.append(window)
    print(*chain)
    return 0


if __name__ == "__main__":
    sys.exit(main())
