#!/usr/bin/env python3
"""The checks and figures of `./run ardour` (tools/ardour/run-ardour.sh).

usage: check.py ports URI DIR SYMBOL=VALUE... port index of each control (from lilv), as PORT=VALUE,
                                              and preset:LABEL for each preset lilv lists, once
                                              lilv finds the plug-in in a bundle inside DIR
       check.py vstports QPHOST PLUGIN.so SYMBOL=VALUE...
                                              index of each parameter of a VST 2 plug-in (from
                                              `qphost info`), as PORT=VALUE
       check.py levels FILE.wav...            peak and RMS of each export; fails on a silent one
       check.py fade DRY.wav TAKE_L.wav TAKE_R.wav   prints the frame where the fades at the
                                              start of an export have ended: the export without
                                              a plug-in is the recorded take from there on
       check.py differ DRY.wav WET.wav FROM   fails unless WET differs from DRY from frame FROM on
       check.py match EXPECTED.wav GOT.wav FROM [figures]
                                              fails unless GOT is EXPECTED from frame FROM on,
                                              within one float step of full scale (or only tells)
       check.py session FILE.ardour URI SYMBOL=VALUE...
                                              the session lists the plug-in as LV2 (as Linux VST 2
                                              for lxvst:NAME) with these values
       check.py controls PLUGIN.log EXPORT.log PORT=VALUE...
                                              each control differs from its default when set and
                                              comes back when Ardour loads the saved session; a
                                              preset Ardour loaded moved some control

Ardour fades some exports in over their first few thousand frames, after the
track's plug-ins (measured: the export of a track without one then differs from
its recorded take there by a gain rising from 0 to 1). A plug-in thus hears the take while
lv2apply, run on that export, hears it faded; and Ardour runs the plug-in while
it stands before the export. Comparisons of a plug-in's output therefore start
a little after the fade has ended.
"""
import math
import os
import re
import subprocess
import sys
import urllib.parse
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lmms"))
import compare  # noqa: E402 (its WAV reader)

# Ardour keeps control values as 32-bit floats and prints them with 9 digits.
VALUE_TOLERANCE = 1e-6
# One step of a 32-bit float near full scale: what separate builds of the same
# arithmetic (x87 against SSE, fused multiply-add) may differ by.
SAMPLE_TOLERANCE = 2.0 ** -23
# Ardour's default fade at each end of a region is 64 frames long.
REGION_FADE_FRAMES = 64


class CheckError(Exception):
    pass


def read_wav(path):
    """(rate, [channel lists]) of an export, read as the LMMS proof reads its renders."""
    try:
        return compare.read_wav(path)
    except ValueError as e:
        raise CheckError(str(e))


def dbfs(value):
    return "-inf" if value <= 0 else "%.1f" % (20 * math.log10(value))


def settings(pairs):
    result = {}
    for pair in pairs:
        key, sep, value = pair.partition("=")
        if not sep:
            raise CheckError(f"{pair}: expected NAME=VALUE")
        result[key] = float(value)
    return result


def ports(uri, folder, pairs):
    info = subprocess.run(["lv2info", uri], capture_output=True, text=True)
    bundle = re.search(r"^\s*Bundle:\s*(\S+)", info.stdout, re.M)
    if info.returncode != 0 or not bundle:
        raise CheckError(f"lilv finds no plug-in {uri} (LV2_PATH?)")
    where = urllib.parse.unquote(urllib.parse.urlparse(bundle.group(1)).path)
    if os.path.commonpath([os.path.realpath(where), os.path.realpath(folder)]) != os.path.realpath(folder):
        raise CheckError(f"lilv takes {uri} from {where}, not from {folder}")
    found = dict((symbol, int(port)) for port, symbol in
                 re.findall(r"^\s*Port (\d+):.*?^\s*Symbol:\s*(\S+)", info.stdout, re.M | re.S))
    wanted = settings(pairs)
    missing = sorted(set(wanted) - set(found))
    if missing:
        raise CheckError(f"{uri} has no control {', '.join(missing)}")
    presets = re.search(r"^[ \t]*Presets:[ \t]*\n((?:[ \t]+\S.*\n)*)", info.stdout, re.M)
    labels = sorted(line.strip() for line in presets.group(1).splitlines()) if presets else []
    for label in labels:
        print("preset:" + label)
    for symbol, value in wanted.items():
        print(f"{found[symbol]}={value:g}")
    print(f"  {uri} from {where}", file=sys.stderr)


def vst_ports(qphost, plugin, pairs):
    info = subprocess.run(qphost.split() + ["info", plugin], capture_output=True, text=True)
    if info.returncode != 0:
        raise CheckError(f"qphost info {plugin} failed: {info.stderr.strip()}")
    found = dict((name, int(index)) for index, name in re.findall(r'^\s+(\d+) "([^"]*)" = ', info.stdout, re.M))
    wanted = settings(pairs)
    missing = sorted(set(wanted) - set(found))
    if missing:
        raise CheckError(f"{plugin} has no parameter {', '.join(missing)}")
    for name, value in wanted.items():
        print(f"{found[name]}={value:g}")


def levels(paths):
    for path in paths:
        rate, channels = read_wav(path)
        frames = len(channels[0])
        peak = max(max(map(abs, c)) for c in channels)
        rms = math.sqrt(sum(v * v for c in channels for v in c) / (frames * len(channels)))
        print(f"  {path.rsplit('/', 1)[-1]:<28} {frames} frames at {rate} Hz, {len(channels)} ch: "
              f"peak {peak:.6f} ({dbfs(peak)} dBFS), RMS {rms:.6f} ({dbfs(rms)} dBFS)")
        if peak == 0:
            raise CheckError(f"{path} is silent")


def paired(a_path, b_path, first):
    _, a = read_wav(a_path)
    _, b = read_wav(b_path)
    if len(a) != len(b) or len(a[0]) != len(b[0]):
        raise CheckError(f"{a_path} and {b_path} differ in shape")
    if len(a[0]) <= first:
        raise CheckError(f"{a_path} is shorter than {first} frames")
    return [(x, y) for ca, cb in zip(a, b) for x, y in zip(ca[first:], cb[first:])]


def fade(dry, takes):
    _, exported = read_wav(dry)
    recorded = [read_wav(take)[1][0] for take in takes]
    if len(recorded) != len(exported) or any(len(t) != len(e) for t, e in zip(recorded, exported)):
        raise CheckError(f"{dry} is not as long and wide as the take")
    frames = len(exported[0])
    differing = [i for t, e in zip(recorded, exported) for i in range(frames) if e[i] != t[i]]
    fade_in = max((i + 1 for i in differing if i < frames // 2), default=0)
    # The region's own fade-out, which the track applies before its plug-ins.
    fade_out = min((i for i in differing if i >= frames // 2), default=frames)
    if frames - fade_out > REGION_FADE_FRAMES:
        raise CheckError(f"{dry} departs from the take {frames - fade_out} frames before its end")
    print(fade_in)


def differ(dry, wet, first):
    pairs = paired(dry, wet, first)
    changed = sum(1 for x, y in pairs if x != y)
    largest = max(abs(x - y) for x, y in pairs)
    print(f"  {wet.rsplit('/', 1)[-1]} against {dry.rsplit('/', 1)[-1]} from frame {first}: "
          f"{changed} of {len(pairs)} samples differ, by up to {largest:.6f}")
    if changed == 0:
        raise CheckError(f"{wet} is {dry}: the plug-in did nothing")


def match(expected, got, first, strict=True):
    pairs = paired(expected, got, first)
    changed = sum(1 for x, y in pairs if x != y)
    largest = max(abs(x - y) for x, y in pairs)
    print(f"  {got.rsplit('/', 1)[-1]} against {expected.rsplit('/', 1)[-1]} from frame {first}: "
          f"{changed} of {len(pairs)} samples differ, by up to {largest:.3g} ({dbfs(largest)} dBFS)")
    if strict and largest > SAMPLE_TOLERANCE:
        raise CheckError(f"{got} is not {expected}")


def session(path, uri, pairs):
    wanted = settings(pairs)
    # Ardour knows a Linux VST 2 plug-in by its numeric id, which the session
    # stores, and its name; an LV2 plug-in by its URI.
    vst = uri[len("lxvst:"):] if uri.startswith("lxvst:") else None
    kind = "lxvst" if vst else "lv2"
    processors = ET.parse(path).getroot().iter("Processor")
    inserts = [p for p in processors if (p.get("name") == vst if vst else p.get("unique-id") == uri)]
    if len(inserts) != 1:
        raise CheckError(f"{path} holds {len(inserts)} processors for {uri}, not 1")
    insert = inserts[0]
    if insert.get("type") != kind:
        raise CheckError(f"{path} lists {uri} as type {insert.get('type')!r}, not {kind}")
    if vst:
        if insert.find("lxvst/chunk") is None:
            raise CheckError(f"{path} holds no chunk of {uri}: its programs would be lost")
        stored = {c.get("name"): float(c.get("value")) for c in insert.iter("Controllable") if c.get("parameter")}
    else:
        stored = {p.get("symbol"): float(p.get("value")) for p in insert.iter("Port")}
    for symbol, value in wanted.items():
        if symbol not in stored or abs(stored[symbol] - value) > VALUE_TOLERANCE:
            raise CheckError(f"{path} stores {symbol}={stored.get(symbol)}, not {value:g}")
    print(f"  {path.rsplit('/', 1)[-1]}: Processor type=\"{kind}\" unique-id=\"{insert.get('unique-id')}\" name=\"{insert.get('name')}\", "
          + ", ".join(f"{s}={stored[s]:g}" for s in wanted))


def controls(logs, pairs):
    wanted = settings(p for p in pairs if not p.startswith("preset:"))
    listed = [p[len("preset:"):] for p in pairs if p.startswith("preset:")]
    reported = {}  # (stage, port) -> (label, value)
    found, loaded_preset = [], None
    for log in logs:
        with open(log) as f:
            for line in f:
                m = re.match(r"qp control (\w+) (\d+) (\"[^\"]*\") (\S+)$", line)
                if m:
                    reported[m.group(1), m.group(2)] = (m.group(3), float(m.group(4)))
                m = re.match(r"qp preset (found|loaded) \"([^\"]*)\"", line)
                if m and m.group(1) == "found":
                    found.append(m.group(2))
                elif m:
                    loaded_preset = m.group(2)
    if listed:
        print(f"  Ardour lists all {len(found)} presets lilv lists ({', '.join(found)}); loaded {loaded_preset}")
        if sorted(found) != sorted(listed) or loaded_preset is None:
            raise CheckError(f"Ardour found presets {found} of {listed}")
    presets = {port: value for (stage, port), (_, value) in reported.items() if stage == "preset"}
    defaults = {port: value for (stage, port), (_, value) in reported.items() if stage == "default"}
    if presets and presets == defaults:
        raise CheckError("loading a preset left every control at its default")
    for port, value in wanted.items():
        label, default = reported.get(("default", port), ("?", None))
        loaded = reported.get(("loaded", port), (label, None))[1]
        preset = f", preset {presets[port]:.9g}" if port in presets else ""
        print(f"  port {port} {label}: default {default}{preset}, set {value:g}, after reopening {loaded}")
        if default is None or abs(default - value) <= VALUE_TOLERANCE:
            raise CheckError(f"port {port} was set to its default, which proves nothing")
        if loaded is None or abs(loaded - value) > VALUE_TOLERANCE:
            raise CheckError(f"port {port} came back as {loaded}, not {value:g}")


def main(argv):
    if len(argv) < 2:
        raise CheckError(__doc__)
    command, rest = argv[0], argv[1:]
    if command == "ports" and len(rest) >= 2:
        ports(rest[0], rest[1], rest[2:])
    elif command == "vstports" and len(rest) >= 2:
        vst_ports(rest[0], rest[1], rest[2:])
    elif command == "levels":
        levels(rest)
    elif command == "fade" and len(rest) >= 2:
        fade(rest[0], rest[1:])
    elif command == "differ" and len(rest) == 3:
        differ(rest[0], rest[1], int(rest[2]))
    elif command == "match" and len(rest) in (3, 4) and rest[3:] in ([], ["figures"]):
        match(rest[0], rest[1], int(rest[2]), strict=len(rest) == 3)
    elif command == "session" and len(rest) >= 2:
        session(rest[0], rest[1], rest[2:])
    elif command == "controls" and len(rest) >= 2:
        controls(rest[:2], rest[2:])
    else:
        raise CheckError(__doc__)


if __name__ == "__main__":
    try:
        main(sys.argv[1:])
    except CheckError as e:
        print(f"check.py: {e}", file=sys.stderr)
        sys.exit(1)
