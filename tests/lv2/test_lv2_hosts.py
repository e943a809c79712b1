#!/usr/bin/env python3
"""The LV2 bundle in LV2's own tools and in a real host, and its sound against the DLL's.

    test_lv2_hosts.py --result OUT.xml --bundle DIR --bank FXB Bundle Jalv
    test_lv2_hosts.py --result OUT.xml --bundle DIR --bank FXB --qphost WINE_RUN QPHOST.EXE AgainstDll

Bundle: lv2_validate, lv2info, the shared object's exports and libraries.
Jalv: jalv on JACK's dummy driver (a server of its own) loads the plug-in, applies
a preset and sets controls, and reads them back.
AgainstDll: lv2apply and lv2file renders equal `qphost render` of the DLL under
Wine, sample for sample, at 44.1 and 48 kHz, for several (sens, buzz) pairs and
every factory preset.
Results are written as GoogleTest XML so that they count with the other suites.
"""

import argparse
import array
import os
import queue
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from xml.sax.saxutils import quoteattr

PLUGIN_URI = "urn:veltmarsk:quorrelphone"
PHRASE = "Sing or speak into it, and it answers with a buzzing, reedy voice."
OPTIONS = {}

# The ports both editions agree on: index, symbol, kind.
PORTS = [(0, "in_left", "AudioPort", "InputPort"), (1, "in_right", "AudioPort", "InputPort"),
         (2, "out_left", "AudioPort", "OutputPort"), (3, "out_right", "AudioPort", "OutputPort"),
         (4, "sens", "ControlPort", "InputPort"), (5, "buzz", "ControlPort", "InputPort")]
# The effect's first initial program, which the control ports start at.
DEFAULTS = {"sens": 0.5, "buzz": 0.5}


def factory_programs():
    """(name, sens, buzz) of each program in the factory bank: a chunk bank whose
    chunk is the effect's 360-byte block, nine 32-byte programs after 72 bytes."""
    data = open(OPTIONS["bank"], "rb").read()
    assert data[0:4] == b"CcnK" and data[8:12] == b"FBCh", "not a chunk bank"
    chunk = data[160:160 + struct.unpack(">I", data[156:160])[0]]
    programs = []
    for p in range(struct.unpack(">I", data[24:28])[0]):
        record = chunk[72 + 32 * p:72 + 32 * (p + 1)]
        name = record[:24].split(b"\0")[0].decode("latin-1")
        programs.append((name,) + struct.unpack("<ff", record[24:32]))
    return programs


def read_float_wav(path):
    """(rate, channels, samples as array('f')) of a 32-bit float WAV."""
    data = open(path, "rb").read()
    assert data[0:4] == b"RIFF" and data[8:12] == b"WAVE", path
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        kind, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if kind == b"fmt ":
            fmt = struct.unpack("<HHIIHH", body[:16])
        elif kind == b"data":
            samples = array.array("f", body)
        pos += 8 + size + (size & 1)
    tag, channels, rate, _, _, bits = fmt
    # Tag 3 is IEEE float; libsndfile may write 0xFFFE (extensible) around it.
    assert bits == 32 and tag in (3, 0xFFFE), "%s: not 32-bit float" % path
    return rate, channels, samples


def write_float_wav(path, rate, channels, samples):
    body = samples.tobytes()
    fmt = struct.pack("<HHIIHH", 3, channels, rate, rate * channels * 4, channels * 4, 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(body)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(body)) + body)


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        raise AssertionError("%s failed (%d):\n%s%s" % (command[0], result.returncode, result.stdout, result.stderr))
    return result.stdout + result.stderr


class LvTwoPath:
    """An LV2_PATH holding the bundle alone (the build folder holds much besides)."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="qp-lv2-path-")
        os.symlink(os.path.abspath(OPTIONS["bundle"]), os.path.join(self.dir, "Quorrelphone.lv2"))
        self.env = dict(os.environ, LV2_PATH=self.dir)

    def remove(self):
        shutil.rmtree(self.dir)


class Bundle(unittest.TestCase):
    def setUp(self):
        self.path = LvTwoPath()
        self.addCleanup(self.path.remove)

    def test_lv2_validate_finds_no_errors(self):
        files = sorted(os.path.join(OPTIONS["bundle"], f) for f in os.listdir(OPTIONS["bundle"]) if f.endswith(".ttl"))
        self.assertEqual([os.path.basename(f) for f in files], ["Quorrelphone.ttl", "manifest.ttl", "presets.ttl"])
        output = run(["lv2_validate"] + files)
        self.assertIn("Found 0 errors", output)
        print(re.search(r"Found.*", output).group(0))

    def test_lv2info_lists_the_ports_and_the_factory_presets(self):
        output = run(["lv2info", PLUGIN_URI], env=self.path.env)
        blocks = re.split(r"\n\s*Port (\d+):\n", output)
        ports = {int(blocks[i]): blocks[i + 1] for i in range(1, len(blocks), 2)}
        self.assertEqual(sorted(ports), [p[0] for p in PORTS])
        for index, symbol, kind, direction in PORTS:
            text = ports[index]
            self.assertRegex(text, r"Symbol:\s+%s\n" % symbol)
            self.assertIn("lv2core#" + kind, text)
            self.assertIn("lv2core#" + direction, text)
            if kind == "ControlPort":
                self.assertRegex(text, r"Name:\s+%s\n" % symbol)
                self.assertRegex(text, r"Minimum:\s+0\.000000\n")
                self.assertRegex(text, r"Maximum:\s+1\.000000\n")
                self.assertRegex(text, r"Default:\s+%f" % DEFAULTS[symbol])
        self.assertRegex(output, r"Optional Features:\s+http://lv2plug.in/ns/lv2core#hardRTCapable")
        self.assertNotIn("Required Features", output)
        listed = re.search(r"Presets:\s*\n((?:[ \t]+\S.*\n)+)", output).group(1).split("\n")
        self.assertCountEqual([line.strip() for line in listed if line.strip()],
                              [name for name, _, _ in factory_programs()])

    def test_the_shared_object_exports_its_entry_point_only_and_needs_only_the_c_runtime(self):
        binary = os.path.join(OPTIONS["bundle"], "Quorrelphone.so")
        symbols = [line.split()[-1] for line in run(["nm", "-D", "--defined-only", binary]).splitlines()]
        self.assertEqual(symbols, ["lv2_descriptor"])
        libraries = [line.split()[0] for line in run(["ldd", binary]).splitlines() if line.strip()]
        runtime = re.compile(r"^(linux-vdso\.so\.1|/lib64/ld-linux-x86-64\.so\.2|.*/?lib(c|m|gcc_s|stdc\+\+)\.so\.\d+)$")
        self.assertEqual([lib for lib in libraries if not runtime.match(lib)], [])


class Jalv(unittest.TestCase):
    """jalv on a JACK server of the test's own (the dummy driver, a unique name)."""

    def setUp(self):
        self.path = LvTwoPath()
        self.addCleanup(self.path.remove)
        server = "qp-lv2-test-%d" % os.getpid()
        self.env = dict(self.path.env, JACK_DEFAULT_SERVER=server, JACK_NO_START_SERVER="1",
                        JACK_NO_AUDIO_RESERVATION="1")
        self.jackd = subprocess.Popen(["jackd", "--no-realtime", "-n", server, "-d", "dummy", "-r", "48000", "-p", "256"],
                                      env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, self.jackd)
        for _ in range(100):
            if subprocess.run(["jack_lsp"], env=self.env, capture_output=True).returncode == 0:
                return
            time.sleep(0.1)
        self.fail("the JACK server did not start")

    @staticmethod
    def stop(process):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def test_jalv_applies_a_preset_and_sets_controls(self):
        # Line-buffered, so each answer can be read as soon as it is printed.
        jalv = subprocess.Popen(["stdbuf", "-oL", "jalv", "-n", "qp-jalv", "-x", "-c", "sens=0.7", "-c", "buzz=0.2", PLUGIN_URI],
                                env=self.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True, bufsize=1)
        self.addCleanup(self.stop, jalv)
        lines = queue.Queue()
        threading.Thread(target=lambda: [lines.put(line) for line in jalv.stdout], daemon=True).start()

        def say(command, settle=0.7):
            jalv.stdin.write(command + "\n")
            jalv.stdin.flush()
            time.sleep(settle)
            said = []
            while not lines.empty():
                said.append(lines.get())
            return "".join(said)

        def controls():
            values = dict((m.group(1), float(m.group(2))) for m in re.finditer(r"(\w+) = (-?[\d.]+)", say("controls")))
            self.assertEqual(sorted(values), ["buzz", "sens"])
            return values

        say("help", settle=1.5)  # jalv is up and reading commands
        ports = run(["jack_lsp"], env=self.env)
        for symbol in ("in_left", "in_right", "out_left", "out_right"):
            self.assertIn("qp-jalv:" + symbol, ports)
        self.assertEqual(controls(), {"sens": 0.7, "buzz": 0.2})

        listed = say("presets")
        programs = factory_programs()
        for number, (name, _, _) in enumerate(programs, 1):
            self.assertIn("%s:preset:%02d (%s)" % (PLUGIN_URI, number, name), listed)
        name, sens, buzz = programs[3]
        say("preset %s:preset:04" % PLUGIN_URI)
        values = controls()
        self.assertAlmostEqual(values["sens"], sens, places=6)
        self.assertAlmostEqual(values["buzz"], buzz, places=6)

        say("set sens 0.3")
        values = controls()
        self.assertEqual(values["sens"], 0.3)
        self.assertAlmostEqual(values["buzz"], buzz, places=6)
        print("jalv read back: -c sens=0.7 buzz=0.2, preset 04 (%s) sens=%.6f buzz=%.6f, then sens=%.6f"
              % (name, sens, buzz, values["sens"]))
        jalv.stdin.close()
        self.assertEqual(jalv.wait(20), 0)


class AgainstDll(unittest.TestCase):
    """Renders through the LV2 tools against `qphost render` of the DLL under Wine."""

    PAIRS = [(0.5, 0.5), (0.8, 0.3), (0.98, 0.55), (0.25, 1.0)]
    RATES = [44100, 48000]

    @classmethod
    def setUpClass(cls):
        cls.path = LvTwoPath()
        cls.dir = tempfile.mkdtemp(prefix="qp-lv2-dll-")
        cls.inputs = {}
        # The sung vowel of qphost synth, and a spoken phrase, each made stereo with
        # different channels (the right one 0.7 times the left, delayed a little)
        # and resampled to both rates as 32-bit float.
        cls.qphost("synth", "--mono", "vowel-source.wav")
        run(["espeak-ng", "-w", os.path.join(cls.dir, "phrase-source.wav"), PHRASE])
        for source in ("vowel", "phrase"):
            for rate in cls.RATES:
                raw = os.path.join(cls.dir, "%s-%d.f32" % (source, rate))
                run(["sox", os.path.join(cls.dir, source + "-source.wav"), "-t", "f32", "-c", "2", raw,
                     "remix", "1", "1v0.7", "delay", "0", "0.0013", "rate", "-v", str(rate)])
                name = "%s-%d.wav" % (source, rate)
                write_float_wav(os.path.join(cls.dir, name), rate, 2, array.array("f", open(raw, "rb").read()))
                cls.inputs[(source, rate)] = name

    @classmethod
    def tearDownClass(cls):
        cls.path.remove()
        shutil.rmtree(cls.dir)

    @classmethod
    def qphost(cls, *arguments):
        # qphost runs under Wine from the work folder, so every file name is relative.
        return run(OPTIONS["qphost"] + list(arguments), cwd=cls.dir)

    def setUp(self):
        self.compared = self.differing = 0

    def lv2(self, command):
        return run(command, cwd=self.dir, env=self.path.env)

    def assertSameSamples(self, lv2_file, dll_file, expected_rate):
        lv2_rate, lv2_channels, lv2_samples = read_float_wav(os.path.join(self.dir, lv2_file))
        dll_rate, dll_channels, dll_samples = read_float_wav(os.path.join(self.dir, dll_file))
        self.assertEqual((lv2_rate, lv2_channels), (expected_rate, 2))
        self.assertEqual((dll_rate, dll_channels), (expected_rate, 2))
        self.assertEqual(len(lv2_samples), len(dll_samples))
        self.assertGreater(len(lv2_samples), expected_rate)
        # Bit patterns, not values: -0.0 against 0.0 or two NaNs count as differences too.
        differing = sum(a != b for a, b in zip(array.array("I", lv2_samples.tobytes()),
                                               array.array("I", dll_samples.tobytes())))
        self.compared += len(lv2_samples)
        self.differing += differing
        self.assertEqual(differing, 0, "%s against %s" % (lv2_file, dll_file))

    def test_lv2apply_renders_equal_the_dlls(self):
        for (source, rate), name in sorted(self.inputs.items()):
            for sens, buzz in self.PAIRS:
                with self.subTest(input=name, sens=sens, buzz=buzz):
                    tag = "%s-%d-%g-%g" % (source, rate, sens, buzz)
                    self.lv2(["lv2apply", "-c", "sens", str(sens), "-c", "buzz", str(buzz), "-i", name,
                              "-o", "lv2-" + tag + ".wav", PLUGIN_URI])
                    self.qphost("render", "--param", "sens=%s" % sens, "--param", "buzz=%s" % buzz, name,
                                "dll-" + tag + ".wav")
                    self.assertSameSamples("lv2-" + tag + ".wav", "dll-" + tag + ".wav", rate)
        print("lv2apply against the DLL: %d samples compared, %d differ" % (self.compared, self.differing))

    def test_factory_presets_render_as_the_dlls_programs(self):
        bank = os.path.abspath(OPTIONS["bank"])
        shutil.copy(bank, os.path.join(self.dir, "factory.fxb"))
        for number, (name, _, _) in enumerate(factory_programs(), 1):
            for source, rate in (("vowel", 44100), ("phrase", 48000)):
                with self.subTest(preset=name, input=source):
                    tag = "%02d-%s-%d" % (number, source, rate)
                    # lv2file finds a preset by its label; it clips unless told not to.
                    self.lv2(["lv2file", "--ignore-clipping", "-P", name, "-i", self.inputs[(source, rate)],
                              "-o", "lv2-preset-" + tag + ".wav", PLUGIN_URI])
                    self.qphost("render", "--bank", "factory.fxb", "--program", str(number - 1),
                                self.inputs[(source, rate)], "dll-preset-" + tag + ".wav")
                    self.assertSameSamples("lv2-preset-" + tag + ".wav", "dll-preset-" + tag + ".wav", rate)
        print("lv2file presets against the DLL's programs: %d samples compared, %d differ"
              % (self.compared, self.differing))


class XmlResult(unittest.TextTestResult):
    """Keeps every outcome for the GoogleTest-style XML that ./run adds up."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.cases = []

    def addSuccess(self, test):
        super().addSuccess(test)
        self.cases.append((test, None))

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self.cases.append((test, self.failures[-1][1]))

    def addError(self, test, err):
        super().addError(test, err)
        self.cases.append((test, self.errors[-1][1]))

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            self.cases.append((subtest, self._exc_info_to_string(err, test)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--result", required=True)
    parser.add_argument("--bundle", required=True)
    parser.add_argument("--bank", required=True)
    parser.add_argument("--qphost", nargs=2, metavar=("WINE_RUN", "QPHOST_EXE"))
    parser.add_argument("suites", nargs="+", choices=["Bundle", "Jalv", "AgainstDll"])
    args = parser.parse_args()
    OPTIONS.update(bundle=args.bundle, bank=args.bank, qphost=args.qphost and [os.path.abspath(p) for p in args.qphost])
    if not os.path.isfile(os.path.join(args.bundle, "manifest.ttl")):
        print("no LV2 bundle in %s: build it first (cmake --preset linux && cmake --build build/linux "
              "--target lv2_bundle)" % args.bundle, file=sys.stderr)
        return 1
    suite = unittest.TestSuite(unittest.defaultTestLoader.loadTestsFromTestCase(globals()[s]) for s in args.suites)
    result = unittest.TextTestRunner(resultclass=XmlResult, verbosity=2).run(suite)
    lines = []
    for test, failure in result.cases:
        method = getattr(test, "_testMethodName", None) or test.id().rsplit(".", 1)[-1]
        case = "    <testcase name=%s classname=%s status=\"run\" result=\"completed\"" % (
            quoteattr(method), quoteattr(type(test).__name__))
        lines.append(case + ("/>" if failure is None else
                             ">\n      <failure message=%s type=\"\"/>\n    </testcase>" % quoteattr(failure)))
    os.makedirs(os.path.dirname(os.path.abspath(args.result)), exist_ok=True)
    with open(args.result, "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<testsuites tests="%d" failures="%d">\n  <testsuite>\n%s\n'
                "  </testsuite>\n</testsuites>\n" % (len(result.cases), len(result.failures) + len(result.errors),
                                                     "\n".join(lines)))
    return 0 if result.wasSuccessful() and result.testsRun > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
