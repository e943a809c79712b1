#!/usr/bin/env python3
"""Writes the tiny 24-bit test bitmaps of the GUI tests. The pixel rules here are
repeated in GuiTestSupport.h (patternPixel, facePixel): keep the two in step."""
import struct, os

def pattern(x, y):
    k = (x + y) % 3
    if k == 0:
        return (0, 255, 0)        # pure green, the editor's key colour
    if k == 1:
        return (255, 255, 255)    # white, the default key colour
    return (x * 16 % 256, y * 30 % 256, 200)

def face(x, y):
    return (x * 4 % 256, y * 5 % 256, 77)

def write(path, w, h, pixel):
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):  # bottom-up
        line = bytearray()
        for x in range(w):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)

here = os.path.dirname(os.path.abspath(__file__))
write(os.path.join(here, "pattern.bmp"), 16, 8, pattern)
write(os.path.join(here, "face.bmp"), 64, 48, face)
