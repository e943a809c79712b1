#!/usr/bin/env python3
"""The release package and the version the DLL carries.

    test_release.py --result OUT.xml Package PlainTree
    test_release.py --result OUT.xml --windres W --dll Quorrelphone.dll VersionBlock

Package drives tools/dist/make-dist.py with stand-in DLLs; PlainTree runs it and the
format check's file list with no git history to ask; VersionBlock reads the
built DLL's version resource back with windres. Results are written as GoogleTest
XML so that they count with the other suites.
"""

import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from xml.sax.saxutils import quoteattr

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MAKE_DIST = os.path.join(ROOT, "tools", "dist", "make-dist.py")
VERSION = open(os.path.join(ROOT, "VERSION")).readline().strip()
OPTIONS = {}


def fake_dll(machine):
    """The smallest file make-dist takes for a DLL: DOS stub pointer, PE signature, machine."""
    head = bytearray(b"MZ" + bytes(0x3A) + (0x40).to_bytes(4, "little"))
    return bytes(head + b"PE\0\0" + machine.to_bytes(2, "little") + bytes(64))


class Package(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qp-dist-test-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.x86 = self.write("x86.dll", fake_dll(0x014C))
        self.x64 = self.write("x64.dll", fake_dll(0x8664))
        self.write("presets/Quorrelphone Factory.fxb", b"CcnK bank")
        self.write("presets/01 Reed.fxp", b"CcnK preset")
        self.write("presets/notes.txt", b"not shipped")
        self.write("docs/manual.md", b"# Quorrelphone @VERSION@\n![face](images/editor.png)\n")
        self.write("docs/images/editor.png", b"\x89PNG picture")
        self.write("docs/images/unused.png", b"\x89PNG not shown")

    def write(self, name, data):
        path = os.path.join(self.dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def make(self, out="out", x86=None, x64=None):
        env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
        return subprocess.run([sys.executable, MAKE_DIST, "--x86", x86 or self.x86, "--x64", x64 or self.x64,
                               "--presets", os.path.join(self.dir, "presets"),
                               "--docs", os.path.join(self.dir, "docs"), "--out", os.path.join(self.dir, out)],
                              capture_output=True, text=True, env=env)

    def zip_path(self, out="out"):
        return os.path.join(self.dir, out, "Quorrelphone-%s-windows.zip" % VERSION)

    def test_holds_both_dlls_presets_manual_and_sums_in_order(self):
        self.assertEqual(self.make().returncode, 0)
        with zipfile.ZipFile(self.zip_path()) as z:
            names = z.namelist()
            self.assertEqual(names, sorted(names))
            self.assertEqual({i.date_time for i in z.infolist()}, {time.gmtime(1700000000)[:6]})
            self.assertEqual(set(names), {"SHA256SUMS", "manual/images/editor.png", "manual/manual.md",
                                          "presets/01 Reed.fxp", "presets/Quorrelphone Factory.fxb",
                                          "x64/Quorrelphone.dll", "x86/Quorrelphone.dll"})
            self.assertEqual(z.read("x64/Quorrelphone.dll"), fake_dll(0x8664))
            self.assertEqual(z.read("manual/manual.md").decode(),
                             "# Quorrelphone %s\n![face](images/editor.png)\n" % VERSION)
            listed = dict(reversed(line.split("  ", 1)) for line in z.read("SHA256SUMS").decode().splitlines())
            self.assertEqual(set(listed), set(names) - {"SHA256SUMS"})
            for name, digest in listed.items():
                self.assertEqual(hashlib.sha256(z.read(name)).hexdigest(), digest, name)
            unpacked = os.path.join(self.dir, "unpacked")
            z.extractall(unpacked)
        if shutil.which("sha256sum"):
            check = subprocess.run(["sha256sum", "-c", "--strict", "SHA256SUMS"], cwd=unpacked, capture_output=True)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_same_inputs_give_the_same_bytes(self):
        self.assertEqual(self.make("first").returncode, 0)
        os.utime(self.x86, (1, 1))                      # file times of the inputs must not leak in
        self.assertEqual(self.make("second").returncode, 0)
        with open(self.zip_path("first"), "rb") as a, open(self.zip_path("second"), "rb") as b:
            self.assertEqual(a.read(), b.read())

    def refused(self, result, words):
        self.assertEqual(result.returncode, 1)
        self.assertIn(words, result.stderr)
        self.assertEqual(os.listdir(os.path.join(self.dir, "out")) if os.path.isdir(os.path.join(self.dir, "out"))
                         else [], [])

    def test_swapped_or_missing_dlls_are_refused_and_nothing_is_written(self):
        self.refused(self.make(x86=self.x64, x64=self.x86), "not x86")
        self.refused(self.make(x64=self.write("text.dll", b"hello")), "not a Windows DLL")
        self.refused(self.make(x64=os.path.join(self.dir, "absent.dll")), "cannot read")

    def test_manual_must_state_its_version_and_have_its_pictures(self):
        os.remove(os.path.join(self.dir, "docs/images/editor.png"))
        self.refused(self.make(), "editor.png")
        self.write("docs/manual.md", b"# Quorrelphone 1.0\n")
        self.refused(self.make(), "does not say its version")


class PlainTree(unittest.TestCase):
    """No git history to ask (no git, or an unpacked archive): the package's time and
    the format check's file list come from the tree itself."""
    write, zip_path = Package.write, Package.zip_path

    def setUp(self):
        Package.setUp(self)
        # Stands in for a missing git: the shell's own answer.
        os.chmod(self.write("bin/git", b'#!/bin/sh\necho "git: command not found" >&2\nexit 127\n'), 0o755)
        self.env = dict(os.environ, PATH=os.path.join(self.dir, "bin") + os.pathsep + os.environ["PATH"])
        self.env.pop("SOURCE_DATE_EPOCH", None)

    def test_packages_carry_the_trees_release_date(self):
        with open(os.path.join(ROOT, "RELEASE_DATE")) as f:
            day = time.strptime(f.readline().strip(), "%Y-%m-%d")[:3] + (0, 0, 0)
        # An archive unpacked inside another clone (here: this one's ignored build folder).
        os.makedirs(os.path.join(ROOT, "build"), exist_ok=True)
        nested = tempfile.mkdtemp(prefix="qp-unpacked-", dir=os.path.join(ROOT, "build"))
        self.addCleanup(shutil.rmtree, nested)
        for name in ("tools/dist/make-dist.py", "VERSION", "RELEASE_DATE"):
            os.makedirs(os.path.dirname(os.path.join(nested, name)), exist_ok=True)
            shutil.copy(os.path.join(ROOT, name), os.path.join(nested, name))
        with_git = dict(self.env, PATH=os.environ["PATH"])
        nested_make_dist = os.path.join(nested, "tools/dist/make-dist.py")
        for what, make_dist, env in (("no git", MAKE_DIST, self.env),
                                     ("inside another clone", nested_make_dist, with_git)):
            with self.subTest(what):
                result = subprocess.run([sys.executable, make_dist, "--x86", self.x86, "--x64", self.x64,
                                         "--presets", os.path.join(self.dir, "presets"),
                                         "--docs", os.path.join(self.dir, "docs"),
                                         "--out", os.path.join(self.dir, what)],
                                        capture_output=True, text=True, env=env)
                self.assertEqual(result.returncode, 0, result.stderr)
                with zipfile.ZipFile(self.zip_path(what)) as z:
                    self.assertEqual({i.date_time for i in z.infolist()}, {day})

    def test_format_check_lists_without_git_what_git_lists(self):
        listed = subprocess.run([os.path.join(ROOT, "run"), "format", "--list"], capture_output=True, text=True,
                                env=self.env)
        self.assertEqual(listed.returncode, 0, listed.stderr)
        if shutil.which("git") and os.path.exists(os.path.join(ROOT, ".git")):
            tracked = subprocess.run(["git", "-C", ROOT, "ls-files", "--cached", "--others", "--exclude-standard",
                                      "--", "*.cpp", "*.h"], capture_output=True, text=True, check=True).stdout.split()
            present = sorted(n for n in tracked if os.path.exists(os.path.join(ROOT, n)))
            self.assertEqual(listed.stdout.split(), present)


class VersionBlock(unittest.TestCase):
    def test_dll_carries_the_release_number(self):
        rc = subprocess.run([OPTIONS["windres"], "-i", OPTIONS["dll"], "-O", "rc"], capture_output=True, text=True)
        self.assertEqual(rc.returncode, 0, rc.stderr)
        numbers = VERSION.replace(".", ", ") + ", 0"
        for field in ("FILEVERSION", "PRODUCTVERSION"):
            self.assertRegex(rc.stdout, r"\n\s*%s %s\s*\n" % (field, re.escape(numbers)))
        for field in ("FileVersion", "ProductVersion"):
            self.assertIn('VALUE "%s", "%s.0"' % (field, VERSION), rc.stdout)


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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--result", required=True)
    parser.add_argument("--windres")
    parser.add_argument("--dll")
    parser.add_argument("suites", nargs="+", choices=["Package", "PlainTree", "VersionBlock"])
    args = parser.parse_args()
    OPTIONS.update(windres=args.windres, dll=args.dll)
    suite = unittest.TestSuite(unittest.defaultTestLoader.loadTestsFromTestCase(globals()[s]) for s in args.suites)
    result = unittest.TextTestRunner(resultclass=XmlResult, verbosity=2).run(suite)
    lines = []
    for test, failure in result.cases:
        case = "    <testcase name=%s classname=%s status=\"run\" result=\"completed\"" % (
            quoteattr(test._testMethodName), quoteattr(type(test).__name__))
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
