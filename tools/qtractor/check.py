#!/usr/bin/env python3
"""The checks of `./run qtractor` (tools/qtractor/run-qtractor.sh) that read files.

usage: check.py params SESSION.qts TYPE      sens and buzz as Qtractor saved them for its one
                                             plug-in of TYPE (LV2, CLAP), on one line
       check.py state SESSION.qts            sens and buzz in the record the CLAP plug-in
                                             handed Qtractor to keep (its "state" config)
       check.py match EXPECTED.wav GOT.wav DRY.wav FROM
                                             fails unless GOT is EXPECTED from frame FROM on,
                                             within one float step of full scale, and unless
                                             GOT differs from DRY there (the plug-in ran)

Qtractor keeps a CLAP plug-in's state as Qt's qCompress of the bytes the plug-in
wrote (the uncompressed length in 4 big-endian bytes, then a zlib stream), in
base64. The plug-in's record is 16 bytes: "QPCS", version 1, then sens and buzz
as little-endian IEEE floats.
"""
import base64
import os
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lmms"))
import compare  # noqa: E402 (its WAV reader)

CONTROLS = ("sens", "buzz")
STATE_MAGIC = b"QPCS"
STATE_VERSION = 1
# One step of a 32-bit float near full scale: what separate builds of the same
# arithmetic (the LV2 and the CLAP module, lv2apply's and Qtractor's block
# sizes) may differ by.
SAMPLE_TOLERANCE = 2.0 ** -23


class CheckError(Exception):
    pass


def plugin_of(path, kind):
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as e:
        raise CheckError(f"{path}: {e}")
    found = [p for p in root.iter("plugin") if p.get("type") == kind]
    if len(found) != 1:
        raise CheckError(f"{path} holds {len(found)} {kind} plug-ins, not 1")
    return found[0]


def params(path, kind):
    stored = {p.get("name"): p.text for p in plugin_of(path, kind).iter("param")}
    try:
        return tuple(float(stored[name]) for name in CONTROLS)
    except (KeyError, TypeError, ValueError):
        raise CheckError(f"{path}: the {kind} plug-in's params are {stored}, not numbers for {CONTROLS}")


def state(path):
    configs = {c.get("key"): c.text for c in plugin_of(path, "CLAP").iter("config")}
    if not configs.get("state"):
        raise CheckError(f"{path}: the CLAP plug-in has no state config")
    try:
        packed = base64.b64decode(configs["state"].strip(), validate=True)
        length = struct.unpack_from(">I", packed)[0]
        record = zlib.decompress(packed[4:])
    except (ValueError, struct.error, zlib.error) as e:
        raise CheckError(f"{path}: the state config is no compressed record ({e})")
    if len(record) != length:
        raise CheckError(f"{path}: the state holds {len(record)} bytes where its header says {length}")
    if len(record) != 16 or record[:4] != STATE_MAGIC:
        raise CheckError(f"{path}: the state is not the plug-in's record: {record.hex()}")
    version, sens, buzz = struct.unpack_from("<Iff", record, 4)
    if version != STATE_VERSION:
        raise CheckError(f"{path}: the state is version {version}")
    return sens, buzz


def pairs(a_path, b_path, first):
    try:
        _, a = compare.read_wav(a_path)
        _, b = compare.read_wav(b_path)
    except (OSError, ValueError) as e:
        raise CheckError(str(e))
    if len(a) != len(b) or len(a[0]) != len(b[0]):
        raise CheckError(f"{a_path} and {b_path} differ in shape")
    if len(a[0]) <= first:
        raise CheckError(f"{a_path} is shorter than {first} frames")
    return [(x, y) for ca, cb in zip(a, b) for x, y in zip(ca[first:], cb[first:])]


def match(expected, got, dry, first):
    """Figures of GOT against EXPECTED, from frame 0 and from FIRST on."""
    if all(x == y for x, y in pairs(dry, got, first)):
        raise CheckError(f"{got} is {dry}: the plug-in did nothing")
    lines = []
    for start in (0, first):
        compared = pairs(expected, got, start)
        changed = sum(1 for x, y in compared if x != y)
        largest = max(abs(x - y) for x, y in compared)
        lines.append(f"from frame {start}: {changed} of {len(compared)} samples differ, by up to {largest:.3g}")
    if largest > SAMPLE_TOLERANCE:
        raise CheckError(f"{got} is not {expected} ({lines[-1]})")
    return lines


def main(argv):
    command, args = (argv[0], argv[1:]) if argv else ("", [])
    if command == "params" and len(args) == 2:
        print("%.9g %.9g" % params(*args))
    elif command == "state" and len(args) == 1:
        print("%.9g %.9g" % state(*args))
    elif command == "match" and len(args) == 4:
        for line in match(*args[:3], int(args[3])):
            print(f"  {os.path.basename(args[1])} against {os.path.basename(args[0])} {line}")
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except CheckError as e:
        print(f"check.py: {e}", file=sys.stderr)
        sys.exit(1)
