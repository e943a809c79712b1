#!/usr/bin/env python3
"""check.py against sessions and takes made here: what it reads back, and what it refuses.

`./run qtractor` runs it before it starts Qtractor; `python3 test_check.py` alone too.
"""
import base64
import os
import struct
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check  # noqa: E402


def record(sens, buzz, magic=b"QPCS", version=1):
    return magic + struct.pack("<Iff", version, sens, buzz)


def packed(data, length=None):
    """Qt's qCompress, base64 as Qtractor writes it."""
    header = struct.pack(">I", len(data) if length is None else length)
    return base64.b64encode(header + zlib.compress(data)).decode()


def plugin(kind, values, blob=None):
    params = "".join(f'<param name="{n}" index="{i}">{v}</param>' for i, (n, v) in enumerate(values))
    configs = f'<configs><config key="state">\n  {blob}</config></configs>' if blob is not None else ""
    return f'<plugin type="{kind}"><filename>x</filename>{configs}<params>{params}</params></plugin>'


def session(*plugins):
    return f'<session><tracks><track><plugins>{"".join(plugins)}</plugins></track></tracks></session>'


def write_wav(path, channels):
    frames = len(channels[0])
    data = struct.pack(f"<{frames * len(channels)}f", *[c[i] for i in range(frames) for c in channels])
    fmt = struct.pack("<HHIIHH", 3, len(channels), 48000, 48000 * 4 * len(channels), 4 * len(channels), 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data)


class SessionTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def saved(self, text):
        path = os.path.join(self.dir.name, "s.qts")
        with open(path, "w") as f:
            f.write(text)
        return path

    def test_params_of_the_one_plugin_of_a_type(self):
        lv2 = plugin("LV2", [("sens", "0.75"), ("buzz", "0.45")])
        clap = plugin("CLAP", [("buzz", "0.4"), ("sens", "0.7")])
        cases = [
            ("each type its own values", session(lv2, clap), "CLAP", (0.7, 0.4)),
            ("each type its own values", session(lv2, clap), "LV2", (0.75, 0.45)),
            ("no plug-in of the type", session(lv2), "CLAP", None),
            ("two of the type", session(clap, clap), "CLAP", None),
            ("a control missing", session(plugin("CLAP", [("sens", "0.7")])), "CLAP", None),
            ("a value no number", session(plugin("CLAP", [("sens", "x"), ("buzz", "1")])), "CLAP", None),
            ("no session at all", "<session", "CLAP", None),
        ]
        for label, text, kind, expected in cases:
            with self.subTest(label, kind=kind):
                path = self.saved(text)
                if expected is None:
                    self.assertRaises(check.CheckError, check.params, path, kind)
                else:
                    self.assertEqual(check.params(path, kind), expected)

    def test_state_record_as_qtractor_keeps_it(self):
        values = [("sens", "0.7"), ("buzz", "0.4")]
        cases = [
            ("the plug-in's record", packed(record(0.7, 0.4)), (0.7, 0.4)),
            ("other magic", packed(record(0.7, 0.4, magic=b"XXXX")), None),
            ("a later version", packed(record(0.7, 0.4, version=2)), None),
            ("cut short", packed(record(0.7, 0.4)[:12]), None),
            ("length header wrong", packed(record(0.7, 0.4), length=17), None),
            ("not zlib", base64.b64encode(b"\0\0\0\x10" + b"q" * 16).decode(), None),
            ("not base64", "@@@@", None),
            ("empty", "", None),
        ]
        for label, blob, expected in cases:
            with self.subTest(label):
                path = self.saved(session(plugin("CLAP", values, blob)))
                if expected is None:
                    self.assertRaises(check.CheckError, check.state, path)
                else:
                    # The record holds floats: 0.7 comes back as the float nearest it.
                    for got, want in zip(check.state(path), expected):
                        self.assertAlmostEqual(got, want, places=7)


class MatchTest(unittest.TestCase):
    def test_match_from_the_settled_frame(self):
        step = check.SAMPLE_TOLERANCE
        dry = [[0.1, 0.2, 0.3, 0.4]] * 2
        wet = [[0.5, -0.5, 0.25, -0.25]] * 2
        cases = [
            ("the same take", wet, wet, True),
            ("apart only before the frame", [[0.0, 0.0, 0.25, -0.25]] * 2, wet, True),
            ("one float step apart", wet, [[0.5, -0.5, 0.25 + step, -0.25]] * 2, True),
            ("two float steps apart", wet, [[0.5, -0.5, 0.25 + 2 * step, -0.25]] * 2, False),
            ("apart in one channel", wet, [wet[0], [0.5, -0.5, 0.25, 0.0]], False),
            ("the plug-in did nothing", dry, dry, False),
            ("shorter", wet, [c[:3] for c in wet], False),
            ("mono against stereo", wet, wet[:1], False),
        ]
        with tempfile.TemporaryDirectory() as folder:
            paths = {}
            for label, expected, got, _ in cases:
                for name, take in (("expected", expected), ("got", got), ("dry", dry)):
                    paths[label, name] = os.path.join(folder, f"{len(paths)}.wav")
                    write_wav(paths[label, name], take)
            for label, _, _, matches in cases:
                with self.subTest(label):
                    args = [paths[label, name] for name in ("expected", "got", "dry")] + [2]
                    if matches:
                        check.match(*args)
                    else:
                        self.assertRaises(check.CheckError, check.match, *args)


if __name__ == "__main__":
    unittest.main()
