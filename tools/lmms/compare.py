#!/usr/bin/env python3
"""Compares a render by LMMS with qphost's render of the same input, or two screenshots.

usage: compare.py exact|report|input QPHOST.wav LMMS.wav DRY.wav
       compare.py frames FILE.wav
       compare.py pixels BEFORE.ppm AFTER.ppm X Y WIDTH HEIGHT [LEFT TOP RIGHT BOTTOM]

Aligns the two renders (first sample that is not silent in each, then the
smallest difference among nearby offsets) and prints the offset, the largest
absolute difference and the RMS difference after alignment, in dBFS, also
against DRY.wav. "input" compares two signals without a plug-in: figures only.
Otherwise it fails if LMMS's render is the dry signal (the effect did not
run); "exact" also fails unless LMMS's render is qphost's bit for bit.

"pixels" compares two screenshots (binary PPM) over the rectangle WIDTH x
HEIGHT at X, Y, or over its part LEFT..RIGHT, TOP..BOTTOM (inclusive, relative
to X, Y; clipped to the rectangle), and prints the number of pixels that
differ, the number compared and, if any differ, the columns and rows (relative
to X, Y) they span: "COUNT COMPARED [LEFT TOP RIGHT BOTTOM]".
"""
import math
import struct
import sys

FORMAT_PCM, FORMAT_FLOAT, FORMAT_EXTENSIBLE = 1, 3, 0xFFFE


def read_wav(path):
    """Returns (rate, [channel lists of floats]) for 16/24-bit PCM or 32-bit float."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(f"{path}: not a WAV file")
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        body = data[pos + 8:pos + 8 + size]
        if tag == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", body)
            if fmt[0] == FORMAT_EXTENSIBLE and len(body) >= 26:
                fmt = (struct.unpack_from("<H", body, 24)[0],) + fmt[1:]
        elif tag == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    if fmt is None or samples is None:
        raise ValueError(f"{path}: no fmt or data chunk")
    encoding, channels, rate, _, _, bits = fmt
    if encoding == FORMAT_FLOAT and bits == 32:
        values = struct.unpack(f"<{len(samples) // 4}f", samples[:len(samples) // 4 * 4])
    elif encoding == FORMAT_PCM and bits == 16:
        values = [v / 32768.0 for v in struct.unpack(f"<{len(samples) // 2}h", samples[:len(samples) // 2 * 2])]
    elif encoding == FORMAT_PCM and bits == 24:
        values = [int.from_bytes(samples[i:i + 3], "little", signed=True) / 8388608.0
                  for i in range(0, len(samples) - 2, 3)]
    else:
        raise ValueError(f"{path}: unsupported encoding {encoding} with {bits} bits")
    frames = len(values) // channels
    return rate, [list(values[c:frames * channels:channels]) for c in range(channels)]


def read_ppm(path):
    """Returns (width, height, bytes of RGB rows) of a binary PPM with 8-bit samples."""
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(f"{path}: not a binary PPM with 8-bit samples")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + width * height * 3]
    if len(pixels) != width * height * 3:
        raise ValueError(f"{path}: truncated")
    return width, height, pixels


def changed_pixels(before_path, after_path, x, y, width, height, part=None):
    """Count, number compared and span (left, top, right, bottom, relative to x, y) of the pixels that differ."""
    (bw, bh, before), (aw, ah, after) = read_ppm(before_path), read_ppm(after_path)
    if (bw, bh) != (aw, ah) or x < 0 or y < 0 or x + width > bw or y + height > bh:
        raise ValueError("the screenshots differ in size or do not hold the rectangle")
    left, top, right, bottom = part or (0, 0, width - 1, height - 1)
    left, top = max(left, 0), max(top, 0)
    right, bottom = min(right, width - 1), min(bottom, height - 1)
    count, span = 0, None
    for row in range(top, bottom + 1):
        start = ((y + row) * bw + x + left) * 3
        end = ((y + row) * bw + x + right + 1) * 3
        if before[start:end] == after[start:end]:
            continue
        for column in range(left, right + 1):
            at = ((y + row) * bw + x + column) * 3
            if before[at:at + 3] != after[at:at + 3]:
                count += 1
                span = (column, row, column, row) if span is None else (
                    min(span[0], column), min(span[1], row), max(span[2], column), max(span[3], row))
    compared = max(0, right - left + 1) * max(0, bottom - top + 1)
    return count, compared, span


def dbfs(value):
    return -math.inf if value <= 0 else 20 * math.log10(value)


def first_sound(channel, floor=1e-9):
    return next((i for i, v in enumerate(channel) if abs(v) > floor), None)


def differences(ref, other, offset):
    """Max and RMS of other[i + offset] - ref[i] over the frames both have, per channel pair."""
    peak, square, count = 0.0, 0.0, 0
    for r_channel, o_channel in zip(ref, other):
        start = max(0, -offset)
        end = min(len(r_channel), len(o_channel) - offset)
        for i in range(start, end):
            d = o_channel[i + offset] - r_channel[i]
            peak = max(peak, abs(d))
            square += d * d
        count += max(0, end - start)
    return peak, math.sqrt(square / count) if count else math.inf, count


def main(argv):
    if len(argv) == 2 and argv[0] == "frames":
        print(len(read_wav(argv[1])[1][0]))
        return 0
    if argv[:1] == ["pixels"] and len(argv) in (7, 11):
        numbers = [int(v) for v in argv[3:]]
        count, compared, span = changed_pixels(argv[1], argv[2], *numbers[:4], part=numbers[4:] or None)
        print(count, compared, *(span or ()))
        return 0
    if len(argv) != 4 or argv[0] not in ("exact", "report", "input"):
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    mode = argv[0]
    (qp_rate, qp), (lm_rate, lm), (dry_rate, dry) = (read_wav(p) for p in argv[1:])
    if not dry_rate == qp_rate == lm_rate:
        print(f"sample rates differ: qphost {qp_rate}, lmms {lm_rate}, dry {dry_rate}", file=sys.stderr)
        return 1
    qp_start, lm_start = first_sound(qp[0]), first_sound(lm[0])
    if qp_start is None or lm_start is None:
        print("a render is silent", file=sys.stderr)
        return 1
    guess = lm_start - qp_start
    # The first audible sample can be off by a few frames when the inputs
    # differ slightly; the offset is the one with the smallest difference nearby.
    window = [c[:qp_start + 8192] for c in qp]
    offset = min(range(guess - 64, guess + 65), key=lambda o: differences(window, lm, o)[1])
    peak, rms, count = differences(qp, lm, offset)
    print(f"  frames: qphost {len(qp[0])}, lmms {len(lm[0])}, compared {count // len(qp)} per channel")
    print(f"  offset: {offset} samples")
    print(f"  lmms - qphost: max |diff| {dbfs(peak):.1f} dBFS ({peak:.3g}), rms {dbfs(rms):.1f} dBFS")
    if mode == "input":
        return 0
    dry_peak, dry_rms, _ = differences(dry, lm, offset)
    print(f"  lmms - dry:    max |diff| {dbfs(dry_peak):.1f} dBFS, rms {dbfs(dry_rms):.1f} dBFS")
    # A vowel buzzed at the defaults is far from the dry signal (about -14 dBFS
    # rms apart); -40 dBFS leaves room for any setting that still buzzes.
    if dbfs(dry_rms) < -40:
        print("FAIL: LMMS's render is the dry input: the effect did not run", file=sys.stderr)
        return 1
    if mode == "report":
        return 0
    if offset != 0 or peak != 0 or count // len(qp) != len(qp[0]) or len(lm[0]) != len(qp[0]):
        print("FAIL: LMMS's render is not qphost's sample for sample", file=sys.stderr)
        return 1
    print("  bit-exact")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
