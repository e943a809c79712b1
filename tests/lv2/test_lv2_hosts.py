#!/usr/bin/env python3
"""The LV2 bundle in LV2's own tools and in a real host, and its sound against the DLL's.

    test_lv2_hosts.py --result OUT.xml --bundle DIR --bank FXB Bundle Jalv
    test_lv2_hosts.py --result OUT.xml --bundle DIR --bank FXB --qphost WINE_RUN QPHOST.EXE AgainstDll

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

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "dist"))
from test_release import run_and_report  # noqa: E402 (the XML that ./run adds up)

PLUGIN_URI = "urn:veltmarsk:quorrelphone"
PHRASE = "Sing or speak into it, and it answers with a buzzing, reedy voice."
OPTIONS = {}
# The ports both editions agree on; the controls start at the first initial program's 0.5.
PORTS = [("in_left", "AudioPort", "InputPort"), ("in_right", "AudioPort", "InputPort"),
         ("out_left", "AudioPort", "OutputPort"), ("out_right", "AudioPort", "OutputPort"),
         ("sens", "ControlPort", "InputPort"), ("buzz", "ControlPort", "InputPort")]


def factory_programs():
    """(name, sens, buzz) per program of the factory bank, a chunk bank whose chunk
    is the effect's 360-byte block: 72 bytes of parameters, then 32 per program."""
    data = open(OPTIONS["bank"], "rb").read()
    assert data[0:4] == b"CcnK" and data[8:12] == b"FBCh", "not a chunk bank"
    records = [data[160 + 72 + 32 * p:160 + 104 + 32 * p] for p in range(struct.unpack(">I", data[24:28])[0])]
    return [(r[:24].split(b"\0")[0].decode("latin-1"),) + struct.unpack("<ff", r[24:32]) for r in records]


def read_float_wav(path):
    """(rate, channels, samples) of a 32-bit float WAV (format 3, or extensible around it)."""
    data, pos, fmt, samples = open(path, "rb").read(), 12, None, None
    while pos + 8 <= len(data):
        kind, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        if kind == b"fmt ":
            fmt = struct.unpack("<HHIIHH", data[pos + 8:pos + 24])
        elif kind == b"data":
            samples = array.array("f", data[pos + 8:pos + 8 + size])
        pos += 8 + size + (size & 1)
    assert fmt[0] in (3, 0xFFFE) and fmt[5] == 32, "%s: not 32-bit float" % path
    return fmt[2], fmt[1], samples


def write_float_wav(path, rate, samples):
    body = samples.tobytes()
    fmt = struct.pack("<HHIIHH", 3, 2, rate, rate * 8, 8, 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + len(body)) + b"WAVEfmt " + struct.pack("<I", 16) + fmt)
        f.write(b"data" + struct.pack("<I", len(body)) + body)


def run(command, **kwargs):
    # Output goes through a file, not a pipe: a process that outlives the command
    # (Wine's services, started by the first Wine program) would hold a pipe open.
    with tempfile.TemporaryFile("w+") as output:
        returncode = subprocess.run(command, stdout=output, stderr=subprocess.STDOUT, text=True, **kwargs).returncode
        output.seek(0)
        text = output.read()
    if returncode != 0:
        raise AssertionError("%s failed (%d):\n%s" % (command[0], returncode, text))
    return text


def lv2_path(test):
    """An LV2_PATH holding the bundle alone (its build folder holds much besides)."""
    folder = tempfile.mkdtemp(prefix="qp-lv2-path-")
    test.addCleanup(shutil.rmtree, folder)
    os.symlink(os.path.abspath(OPTIONS["bundle"]), os.path.join(folder, "Quorrelphone.lv2"))
    return dict(os.environ, LV2_PATH=folder)


class Bundle(unittest.TestCase):
    def test_lv2_validate_finds_no_errors(self):
        files = sorted(f for f in os.listdir(OPTIONS["bundle"]) if f.endswith(".ttl"))
        self.assertEqual(files, ["Quorrelphone.ttl", "manifest.ttl", "presets.ttl"])
        output = run(["lv2_validate"] + [os.path.join(OPTIONS["bundle"], f) for f in files])
        self.assertIn("Found 0 errors", output)
        print(re.search(r"Found.*", output).group(0))

    def test_lv2info_lists_the_ports_and_the_factory_presets(self):
        output = run(["lv2info", PLUGIN_URI], env=lv2_path(self))
        blocks = re.split(r"\n\s*Port (\d+):\n", output)
        self.assertEqual([int(n) for n in blocks[1::2]], list(range(len(PORTS))))
        for text, (symbol, kind, direction) in zip(blocks[2::2], PORTS):
            self.assertRegex(text, r"Symbol:\s+%s\n" % symbol)
            self.assertIn("lv2core#" + kind, text)
            self.assertIn("lv2core#" + direction, text)
            if kind == "ControlPort":
                self.assertRegex(text, r"Name:\s+%s\n\s+Minimum:\s+0\.000000\n\s+Maximum:\s+1\.000000\n"
                                       r"\s+Default:\s+0\.500000" % symbol)
        self.assertRegex(output, r"Optional Features:\s+http://lv2plug.in/ns/lv2core#hardRTCapable")
        self.assertNotIn("Required Features", output)
        listed = re.search(r"Presets:\s*\n((?:[ \t]+\S.*\n)+)", output).group(1).splitlines()
        self.assertCountEqual([line.strip() for line in listed], [name for name, _, _ in factory_programs()])
        self.assertRegex(output, r"UIs:\s+%s:ui\s+Class:\s+http://lv2plug.in/ns/extensions/ui#X11UI\s+"
                                 r"Binary:\s+file://\S+/Quorrelphone_ui\.so" % PLUGIN_URI)

    def test_the_ui_requires_only_its_parent_and_offers_idle_as_extension_data(self):
        # A host that checks requiredFeature refuses a UI whose feature it never
        # passes; Qtractor passes ui:parent but not ui:idleInterface.
        triples = run(["sordi", os.path.join(OPTIONS["bundle"], "Quorrelphone.ttl")])
        ui = "http://lv2plug.in/ns/extensions/ui#"
        found = {}
        for predicate in ("requiredFeature", "optionalFeature", "extensionData"):
            found[predicate] = set(re.findall(r"^<%s:ui> <http://lv2plug.in/ns/lv2core#%s> <%s(\w+)> \.$"
                                              % (PLUGIN_URI, predicate, ui), triples, re.M))
        self.assertEqual(found["requiredFeature"], {"parent"})
        self.assertIn("idleInterface", found["optionalFeature"])
        self.assertEqual(found["extensionData"], {"idleInterface"})
        # The host's scale: an option at instantiate (read through the URID map)
        # and later through the options interface.
        subject = "<%s:ui>" % PLUGIN_URI
        for predicate, thing in (
                ("http://lv2plug.in/ns/lv2core#optionalFeature", "http://lv2plug.in/ns/ext/options#options"),
                ("http://lv2plug.in/ns/lv2core#optionalFeature", "http://lv2plug.in/ns/ext/urid#map"),
                ("http://lv2plug.in/ns/lv2core#extensionData", "http://lv2plug.in/ns/ext/options#interface"),
                ("http://lv2plug.in/ns/ext/options#supportedOption", ui + "scaleFactor")):
            self.assertIn("%s <%s> <%s> ." % (subject, predicate, thing), triples.splitlines())

    def test_the_shared_objects_export_their_entry_point_only_and_carry_their_cpp_runtime(self):
        runtime = re.compile(r"(linux-vdso|ld-linux-x86-64|lib(c|m|gcc_s))\.so\.\d+$")
        # The UI draws through the system's Xlib and cairo (and what they bring).
        graphics = re.compile(r"lib(X\w*|xcb[\w-]*|cairo|pixman-1|png16|z|freetype|fontconfig|expat|brotli\w*|bz2|"
                              r"bsd|md)\.so\.\d+$")
        for name, entry, allowed in [("Quorrelphone.so", "lv2_descriptor", []),
                                     ("Quorrelphone_ui.so", "lv2ui_descriptor", [graphics])]:
            with self.subTest(name):
                binary = os.path.join(OPTIONS["bundle"], name)
                symbols = [line.split()[-1] for line in run(["nm", "-D", "--defined-only", binary]).splitlines()]
                self.assertEqual(symbols, [entry])
                libraries = [line.split()[0] for line in run(["ldd", binary]).splitlines() if line.strip()]
                self.assertEqual([lib for lib in libraries
                                  if not any(p.search(lib) for p in [runtime] + allowed)], [])


class Jalv(unittest.TestCase):
    """jalv on a JACK server of the test's own (the dummy driver, a unique name)."""

    def stop(self, process):
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()

    def test_jalv_applies_a_preset_and_sets_controls(self):
        server = "qp-lv2-test-%d" % os.getpid()
        env = dict(lv2_path(self), JACK_DEFAULT_SERVER=server, JACK_NO_START_SERVER="1", JACK_NO_AUDIO_RESERVATION="1")
        jackd = subprocess.Popen(["jackd", "--no-realtime", "-n", server, "-d", "dummy", "-r", "48000", "-p", "256"],
                                 env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, jackd)
        for _ in range(100):
            if subprocess.run(["jack_lsp"], env=env, capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        else:
            self.fail("the JACK server did not start")
        # Line-buffered, so each answer can be read as soon as it is printed.
        jalv = subprocess.Popen(["stdbuf", "-oL", "jalv", "-n", "qp-jalv", "-x", "-c", "sens=0.7", "-c", "buzz=0.2",
                                 PLUGIN_URI], env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True, bufsize=1)
        self.addCleanup(self.stop, jalv)
        lines = queue.Queue()
        threading.Thread(target=lambda: [lines.put(line) for line in jalv.stdout], daemon=True).start()

        def say(command, settle=0.7):
            jalv.stdin.write(command + "\n")
            jalv.stdin.flush()
            time.sleep(settle)
            return "".join(lines.get() for _ in range(lines.qsize()))

        def controls():
            return {m[0]: float(m[1]) for m in re.findall(r"(sens|buzz) = (-?[\d.]+)", say("controls"))}

        say("help", settle=1.5)  # jalv is up and reading commands
        ports = run(["jack_lsp"], env=env)
        for symbol, kind, _ in PORTS:
            self.assertEqual("qp-jalv:" + symbol in ports, kind == "AudioPort")
        self.assertEqual(controls(), {"sens": 0.7, "buzz": 0.2})
        listed = say("presets")
        for number, (name, _, _) in enumerate(factory_programs(), 1):
            self.assertIn("%s:preset:%02d (%s)" % (PLUGIN_URI, number, name), listed)
        # jalv loads a preset's values when it lists them, so `preset` follows `presets`.
        name, sens, buzz = factory_programs()[3]
        say("preset %s:preset:04" % PLUGIN_URI)
        self.assertEqual(controls(), {"sens": round(sens, 6), "buzz": round(buzz, 6)})
        say("set sens 0.3")
        self.assertEqual(controls(), {"sens": 0.3, "buzz": round(buzz, 6)})
        print("jalv read back: -c sens=0.7 buzz=0.2; preset 04 (%s) sens %.6f buzz %.6f; set sens 0.3" % (name, sens, buzz))
        jalv.stdin.close()
        self.assertEqual(jalv.wait(20), 0)


class AgainstDll(unittest.TestCase):
    """Renders through lv2apply and lv2file against `qphost render` of the DLL under Wine."""

    PAIRS = [(0.5, 0.5), (0.8, 0.3), (0.98, 0.55), (0.25, 1.0)]

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="qp-lv2-dll-")
        # The sung vowel of qphost synth and a spoken phrase, made stereo with different
        # channels (the right one 0.7 times the left, 1.3 ms later), at both rates.
        cls.qphost("synth", "--mono", "vowel.wav")
        run(["espeak-ng", "-w", os.path.join(cls.dir, "phrase.wav"), PHRASE])
        for source in ("vowel", "phrase"):
            for rate in (44100, 48000):
                raw = os.path.join(cls.dir, "raw.f32")
                run(["sox", os.path.join(cls.dir, source + ".wav"), "-t", "f32", "-c", "2", raw,
                     "remix", "1", "1v0.7", "delay", "0", "0.0013", "rate", "-v", str(rate)])
                write_float_wav(os.path.join(cls.dir, "%s-%d.wav" % (source, rate)), rate,
                                array.array("f", open(raw, "rb").read()))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    @classmethod
    def qphost(cls, *arguments):
        # qphost runs under Wine from the work folder, so every file name is relative.
        return run(OPTIONS["qphost"] + list(arguments), cwd=cls.dir)

    def setUp(self):
        self.env = lv2_path(self)
        self.compared = self.differing = 0

    def assertSameRender(self, lv2_command, qphost_arguments, source, rate, plugin_argument=True):
        # No lv2_command: the caller has written lv2.wav itself.
        name = "%s-%d.wav" % (source, rate)
        if lv2_command is not None and plugin_argument:
            run(lv2_command + ["-i", name, "-o", "lv2.wav", PLUGIN_URI], cwd=self.dir, env=self.env)
        elif lv2_command is not None:
            run(lv2_command + [name, "lv2.wav"], cwd=self.dir)
        self.qphost("render", *qphost_arguments, name, "dll.wav")
        renders = [read_float_wav(os.path.join(self.dir, f)) for f in ("lv2.wav", "dll.wav")]
        self.assertEqual([r[:2] for r in renders], [(rate, 2)] * 2)
        lv2, dll = [array.array("I", r[2].tobytes()) for r in renders]  # bit patterns, -0.0 and NaN included
        self.assertEqual(len(lv2), len(dll))
        self.assertGreater(len(lv2), rate)
        differing = sum(a != b for a, b in zip(lv2, dll))
        self.compared += len(lv2)
        self.differing += differing
        self.assertEqual(differing, 0)

    def test_lv2apply_renders_equal_the_dlls(self):
        for source in ("vowel", "phrase"):
            for rate in (44100, 48000):
                for sens, buzz in self.PAIRS:
                    with self.subTest(input=source, rate=rate, sens=sens, buzz=buzz):
                        self.assertSameRender(["lv2apply", "-c", "sens", str(sens), "-c", "buzz", str(buzz)],
                                              ["--param", "sens=%s" % sens, "--param", "buzz=%s" % buzz], source, rate)
        print("lv2apply against the DLL: %d samples compared, %d differ" % (self.compared, self.differing))

    def test_clap_renders_equal_the_dlls(self):
        # The CLAP module through a host loop of our own, at the block sizes hosts
        # use (1 and 7 cut the chain's loop short; 4096 is longer than the files'
        # first second), in place and into separate buffers.
        render = OPTIONS["clap"]
        for source in ("vowel", "phrase"):
            for rate in (44100, 48000):
                for block, in_place in ((1, False), (7, True), (64, False), (4096, True)):
                    sens, buzz = self.PAIRS[block % len(self.PAIRS)]
                    with self.subTest(input=source, rate=rate, block=block, in_place=in_place):
                        command = [render[0], render[1], "--block", str(block), "--param", "0=%s" % sens,
                                   "--param", "1=%s" % buzz] + (["--in-place"] if in_place else [])
                        self.assertSameRender(command, ["--param", "sens=%s" % sens, "--param", "buzz=%s" % buzz],
                                              source, rate, plugin_argument=False)
        print("the CLAP module against the DLL: %d samples compared, %d differ" % (self.compared, self.differing))

    def linux_qphost(self, *arguments):
        # qphost of the linux tree with Quorrelphone.so; the library's settings file
        # (learnt controllers, defaults) is the test's own, empty one.
        qphost, library = OPTIONS["vst"]
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.dir, "config"))
        words = 2 if arguments[0] == "preset" else 1  # the command's words come before its options
        return run([qphost, *arguments[:words], "--dll", library, *arguments[words:]], cwd=self.dir, env=env)

    def test_linux_vst_renders_equal_the_dlls(self):
        # Quorrelphone.so through the same host code as the DLL, at the block sizes
        # of the CLAP comparison, through processReplacing and through process.
        for source in ("vowel", "phrase"):
            for rate in (44100, 48000):
                for block, accumulate in ((1, False), (7, True), (64, False), (4096, True)):
                    sens, buzz = self.PAIRS[block % len(self.PAIRS)]
                    params = ["--param", "sens=%s" % sens, "--param", "buzz=%s" % buzz]
                    with self.subTest(input=source, rate=rate, block=block, accumulate=accumulate):
                        self.linux_qphost("render", "--block", str(block), *params,
                                          *(["--accumulate"] if accumulate else []),
                                          "%s-%d.wav" % (source, rate), "lv2.wav")
                        self.assertSameRender(None, params, source, rate)
        print("Quorrelphone.so against the DLL: %d samples compared, %d differ" % (self.compared, self.differing))

    def test_banks_and_presets_pass_between_the_dll_and_the_linux_vst(self):
        # The same steps give byte-identical files from both libraries; each loads
        # the other's, holds the same values and renders the same sound.
        steps = ["--program", "3", "--name", "Wasp", "--param", "sens=0.3", "--param", "buzz=0.8",
                 "--program", "6", "--name", "Drone", "--param", "sens=0.9", "--param", "buzz=0.15"]
        for extension in ("fxb", "fxp"):
            with self.subTest(file=extension):
                dll_file, so_file = "dll.%s" % extension, "so.%s" % extension
                self.qphost("preset", "save", *steps, dll_file)
                self.linux_qphost("preset", "save", *steps, so_file)
                saved = [open(os.path.join(self.dir, f), "rb").read() for f in (dll_file, so_file)]
                self.assertEqual(saved[0], saved[1])
                # What each holds after loading the other's file, program by program.
                held_by_so = self.linux_qphost("preset", "load", dll_file)
                held_by_dll = self.qphost("preset", "load", so_file)
                listing = [[line.strip() for line in text.splitlines() if "program" in line and '"' in line]
                           for text in (held_by_so, held_by_dll)]
                self.assertTrue(listing[0])
                self.assertEqual(listing[0], listing[1])
                self.assertIn("byte for byte", held_by_so)
                load = ["--bank", dll_file, "--program", "6"] if extension == "fxb" else ["--preset", dll_file]
                load_other = ["--bank", so_file, "--program", "6"] if extension == "fxb" else ["--preset", so_file]
                self.linux_qphost("render", *load, "phrase-48000.wav", "lv2.wav")
                self.assertSameRender(None, load_other, "phrase", 48000)
        print("banks and presets between the DLL and Quorrelphone.so: %d samples compared, %d differ"
              % (self.compared, self.differing))

    def test_factory_presets_render_as_the_dlls_programs(self):
        shutil.copy(OPTIONS["bank"], os.path.join(self.dir, "factory.fxb"))
        for number, (name, _, _) in enumerate(factory_programs(), 1):
            for source, rate in (("vowel", 44100), ("phrase", 48000)):
                with self.subTest(preset=name, input=source, rate=rate):
                    # lv2file finds a preset by its label, and clips unless told not to.
                    self.assertSameRender(["lv2file", "--ignore-clipping", "-P", name],
                                          ["--bank", "factory.fxb", "--program", str(number - 1)], source, rate)
        print("lv2file presets against the DLL's programs: %d samples compared, %d differ"
              % (self.compared, self.differing))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--result", required=True)
    parser.add_argument("--bundle", required=True)
    parser.add_argument("--bank", required=True)
    parser.add_argument("--qphost", nargs=2, metavar=("WINE_RUN", "QPHOST_EXE"))
    parser.add_argument("--clap", nargs=2, metavar=("QP_CLAP_RENDER", "MODULE"))
    parser.add_argument("--vst", nargs=2, metavar=("LINUX_QPHOST", "QUORRELPHONE_SO"))
    parser.add_argument("suites", nargs="+", choices=["Bundle", "Jalv", "AgainstDll"])
    args = parser.parse_args()
    OPTIONS.update(bundle=args.bundle, bank=os.path.abspath(args.bank),
                   qphost=args.qphost and [os.path.abspath(p) for p in args.qphost],
                   clap=args.clap and [os.path.abspath(p) for p in args.clap],
                   vst=args.vst and [os.path.abspath(p) for p in args.vst])
    if not os.path.isfile(os.path.join(args.bundle, "manifest.ttl")):
        sys.exit("no LV2 bundle in %s: cmake --preset linux && cmake --build build/linux --target lv2_bundle"
                 % args.bundle)
    suite = unittest.TestSuite(unittest.defaultTestLoader.loadTestsFromTestCase(globals()[s]) for s in args.suites)
    return run_and_report(suite, args.result)


if __name__ == "__main__":
    sys.exit(main())
