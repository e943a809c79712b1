#!/usr/bin/env python3
"""The Linux release package: tools/dist/make-linux-dist.py with a stand-in LV2 bundle.

    test_linux_package.py --result OUT.xml

Results are written as GoogleTest XML so that they count with the other suites.
"""

import argparse
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tarfile
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_release import ROOT, VERSION, Package, run_and_report  # noqa: E402

MAKE_LINUX_DIST = os.path.join(ROOT, "tools", "dist", "make-linux-dist.py")
TOP = "Quorrelphone-" + VERSION
STAMP = 1700000000


def fake_library(elf_class=2, kind=3, machine=62):
    """The ELF identification and header fields the packer reads: class, byte order, type, machine."""
    return b"\x7fELF" + bytes([elf_class, 1, 1]) + bytes(9) + kind.to_bytes(2, "little") \
        + machine.to_bytes(2, "little") + bytes(44)


def fake_module(exports, machine=62, section=7):
    """fake_library with a dynamic symbol table: the strings (.dynstr) at 64, then .dynsym
    (the empty symbol, then each of `exports`, global, in `section`), then the section
    headers: none, .dynsym, .dynstr."""
    head = bytearray(fake_library(machine=machine))
    strings, symbols = bytearray(b"\0"), bytearray(24)
    for name in exports:
        symbols += struct.pack("<IBBHQQ", len(strings), 0x12, 0, section, 0x1000, 16)
        strings += name + b"\0"
    strings = bytes(strings.ljust((len(strings) + 7) // 8 * 8, b"\0"))
    at_symbols = 64 + len(strings)
    at_headers = at_symbols + len(symbols)
    struct.pack_into("<Q", head, 0x28, at_headers)
    struct.pack_into("<HH", head, 0x3A, 64, 3)
    headers = bytes(64) + struct.pack("<IIQQQQIIQQ", 0, 11, 2, 0, at_symbols, len(symbols), 2, 1, 8, 24) \
        + struct.pack("<IIQQQQIIQQ", 0, 3, 2, 0, 64, len(strings), 0, 0, 1, 0)
    return bytes(head) + strings + bytes(symbols) + headers


def fake_clap(export=b"clap_entry", machine=62, section=7):
    return fake_module([export], machine, section)


def fake_vst(exports=(b"VSTPluginMain", b"main"), machine=62, section=7):
    return fake_module(exports, machine, section)


# The Linux tree's own library, when it has been built (cmake --build build/linux --target Quorrelphone).
BUILT_VST = os.path.join(ROOT, "build", "linux", "vst", "Quorrelphone.so")


class LinuxPackage(unittest.TestCase):
    write = Package.write  # a file of the stand-in tree, its folders made

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qp-linux-dist-test-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.write("Quorrelphone.lv2/manifest.ttl",
                   b"<urn:q> lv2:binary <Quorrelphone.so> ; rdfs:seeAlso <Quorrelphone.ttl> , <presets/Reed.ttl> .\n"
                   b"<urn:q:ui> a ui:X11UI ; ui:binary <Quorrelphone_ui.so> ; rdfs:seeAlso <Quorrelphone.ttl> .")
        self.write("Quorrelphone.lv2/Quorrelphone.so", fake_library())
        self.write("Quorrelphone.lv2/Quorrelphone_ui.so", fake_library())
        self.write("Quorrelphone.lv2/Quorrelphone.ttl", b"<urn:q> a lv2:Plugin .")
        self.write("Quorrelphone.lv2/presets/Reed.ttl", b"<urn:q#reed> a pset:Preset .")
        self.write("docs/manual.md", b"# Quorrelphone @VERSION@\n![face](images/editor.png)\n")
        self.write("docs/images/editor.png", b"\x89PNG picture")
        self.write("Quorrelphone.clap", fake_clap())
        self.write("vst/Quorrelphone.so", fake_vst())

    def make(self, out="out", vst=None):
        return subprocess.run([sys.executable, MAKE_LINUX_DIST, "--bundle", os.path.join(self.dir, "Quorrelphone.lv2"),
                               "--clap", os.path.join(self.dir, "Quorrelphone.clap"),
                               "--vst", vst or os.path.join(self.dir, "vst/Quorrelphone.so"),
                               "--docs", os.path.join(self.dir, "docs"), "--out", os.path.join(self.dir, out)],
                              capture_output=True, text=True, env=dict(os.environ, SOURCE_DATE_EPOCH=str(STAMP)))

    def package(self, out="out"):
        return os.path.join(self.dir, out, TOP + "-linux-x86_64.tar.gz")

    def test_holds_bundle_clap_module_manual_and_sums_under_one_folder(self):
        self.assertEqual(self.make().returncode, 0)
        with tarfile.open(self.package()) as tar:
            members = tar.getmembers()
            names = [m.name for m in members]
            self.assertEqual(names, sorted(names))
            files = {m.name[len(TOP) + 1:]: tar.extractfile(m).read() for m in members if m.isfile()}
            self.assertEqual({(m.mode, m.uid, m.gid, m.uname, m.mtime) for m in members if m.isfile()},
                             {(0o644, 0, 0, "root", STAMP)})
            self.assertEqual({(m.name, m.mode) for m in members if m.isdir()},
                             {(TOP + d, 0o755) for d in ("", "/Quorrelphone.lv2", "/Quorrelphone.lv2/presets",
                                                         "/manual", "/manual/images", "/vst")})
            tar.extractall(self.dir)
        self.assertEqual(set(files), {"SHA256SUMS", "Quorrelphone.clap", "manual/manual.md", "manual/manual.html", "manual/images/editor.png",
                                      "vst/Quorrelphone.so",
                                      "Quorrelphone.lv2/manifest.ttl", "Quorrelphone.lv2/Quorrelphone.so",
                                      "Quorrelphone.lv2/Quorrelphone_ui.so",
                                      "Quorrelphone.lv2/Quorrelphone.ttl", "Quorrelphone.lv2/presets/Reed.ttl"})
        self.assertEqual(files["Quorrelphone.clap"], fake_clap())
        self.assertEqual(files["vst/Quorrelphone.so"], fake_vst())
        self.assertEqual(files["manual/manual.md"].decode(), "# Quorrelphone %s\n![face](images/editor.png)\n" % VERSION)
        listed = dict(reversed(line.split("  ", 1)) for line in files["SHA256SUMS"].decode().splitlines())
        self.assertEqual(listed, {n: hashlib.sha256(d).hexdigest() for n, d in files.items() if n != "SHA256SUMS"})
        if shutil.which("sha256sum"):
            check = subprocess.run(["sha256sum", "-c", "--strict", "SHA256SUMS"], cwd=os.path.join(self.dir, TOP),
                                   capture_output=True)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_same_inputs_give_the_same_bytes(self):
        self.assertEqual(self.make("first").returncode, 0)
        os.utime(os.path.join(self.dir, "Quorrelphone.lv2/Quorrelphone.so"), (1, 1))  # input times must not leak in
        self.assertEqual(self.make("second").returncode, 0)
        with open(self.package("first"), "rb") as a, open(self.package("second"), "rb") as b:
            first = a.read()
            self.assertEqual(first, b.read())
        self.assertEqual(first[3:8], bytes(5), "the gzip header carries no file name (flag 8) and no time")

    def test_broken_bundles_or_modules_are_refused_and_nothing_is_written(self):
        so, clap, vst = "Quorrelphone.lv2/Quorrelphone.so", "Quorrelphone.clap", "vst/Quorrelphone.so"
        cases = [("manifest.ttl", lambda: os.remove(os.path.join(self.dir, "Quorrelphone.lv2/manifest.ttl"))),
                 ("names Quorrelphone_ui.so", lambda: os.remove(os.path.join(self.dir, "Quorrelphone.lv2/Quorrelphone_ui.so"))),
                 ("Quorrelphone_ui.so is built for machine 40",
                  lambda: self.write("Quorrelphone.lv2/Quorrelphone_ui.so", fake_library(machine=40))),
                 ("names presets/Reed.ttl", lambda: os.remove(os.path.join(self.dir, "Quorrelphone.lv2/presets/Reed.ttl"))),
                 ("not an ELF file", lambda: self.write(so, b"#!/bin/sh\n")),
                 ("not a 64-bit", lambda: self.write(so, fake_library(elf_class=1))),
                 ("not a shared object", lambda: self.write(so, fake_library(kind=2))),
                 ("machine 183", lambda: self.write(so, fake_library(machine=183))),
                 ("Quorrelphone.clap: No such file", lambda: os.remove(os.path.join(self.dir, clap))),
                 ("Quorrelphone.clap is built for machine 183", lambda: self.write(clap, fake_clap(machine=183))),
                 ("does not export clap_entry", lambda: self.write(clap, fake_library())),  # no symbols at all
                 ("does not export clap_entry", lambda: self.write(clap, fake_clap(export=b"lv2_descriptor"))),
                 ("does not export clap_entry", lambda: self.write(clap, fake_clap(section=0))),  # one it imports
                 ("damaged symbol table", lambda: self.write(clap, fake_clap()[:200])),
                 ("vst/Quorrelphone.so: No such file", lambda: os.remove(os.path.join(self.dir, vst))),
                 ("vst/Quorrelphone.so is built for machine 183", lambda: self.write(vst, fake_vst(machine=183))),
                 ("vst/Quorrelphone.so is not a shared object", lambda: self.write(vst, fake_library(kind=2))),
                 ("does not export VSTPluginMain and main", lambda: self.write(vst, fake_library())),
                 ("does not export main", lambda: self.write(vst, fake_vst(exports=[b"VSTPluginMain"]))),
                 ("does not export VSTPluginMain", lambda: self.write(vst, fake_vst(section=0))),  # imported only
                 ("does not export VSTPluginMain", lambda: self.write(vst, fake_clap())),  # the CLAP module
                 ("exports more than VSTPluginMain and main: _ZSt4cout",
                  lambda: self.write(vst, fake_vst(exports=[b"VSTPluginMain", b"main", b"_ZSt4cout"]))),
                 ("vst/Quorrelphone.so has a damaged symbol table", lambda: self.write(vst, fake_vst()[:150]))]
        for words, breaks in cases:
            with self.subTest(words):
                self.setUp()
                breaks()
                result = self.make()
                self.assertEqual(result.returncode, 1)
                self.assertIn(words, result.stderr)
                self.assertFalse(os.path.exists(os.path.join(self.dir, "out")) and os.listdir(os.path.join(self.dir, "out")))

    @unittest.skipUnless(os.path.isfile(BUILT_VST), "the linux tree has not built " + BUILT_VST)
    def test_the_built_vst_library_is_packed_as_it_is(self):
        result = self.make(vst=BUILT_VST)
        self.assertEqual(result.returncode, 0, result.stderr)
        with tarfile.open(self.package()) as tar, open(BUILT_VST, "rb") as built:
            self.assertEqual(tar.extractfile(TOP + "/vst/Quorrelphone.so").read(), built.read())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--result", required=True)
    args = parser.parse_args()
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(LinuxPackage)
    return run_and_report(suite, args.result)


if __name__ == "__main__":
    sys.exit(main())
