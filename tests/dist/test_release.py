#!/usr/bin/env python3
"""The release package and the version the DLL carries.

    test_release.py --result OUT.xml Package PlainTree
    test_release.py --result OUT.xml --windres W --dll Quorrelphone.dll VersionBlock
    test_release.py --result OUT.xml --tree32 build/win32 --tree64 build/win64 --work DIR Setup

Package drives tools/dist/make-dist.py with stand-in DLLs; PlainTree runs it and the
format check's file list with no git history to ask; VersionBlock reads the
built DLL's version resource back with windres; Setup packs the trees' DLLs and runs
the setup program and its uninstaller under Wine. Results are written as GoogleTest
XML so that they count with the other suites.
"""

import argparse
import base64
import hashlib
import os
import re
import shutil
import struct
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
PACKAGES = {"zip": "Quorrelphone-%s-windows.zip", "setup": "Quorrelphone-%s-setup.exe"}
PICTURE = b"\x89PNG\r\n\x1a\n picture"
OPTIONS = {}


def fake_dll(machine):
    """The smallest file make-dist takes for a DLL: DOS stub pointer, PE signature, machine."""
    head = bytearray(b"MZ" + bytes(0x3A) + (0x40).to_bytes(4, "little"))
    return bytes(head + b"PE\0\0" + machine.to_bytes(2, "little") + bytes(64))


def fake_clap(machine=0x8664, export=b"clap_entry", table_rva=0x1000):
    """A PE32+ DLL whose one section, at 0x1000 (file offset 0x200), holds an export
    directory naming `export`: what make-dist reads of a CLAP module."""
    optional = struct.pack("<H110xII120x", 0x20B, table_rva, 40)      # export directory first of 16
    section = struct.pack("<8sIIII16x", b".edata", 0x100, 0x1000, 0x100, 0x200)
    coff = struct.pack("<HHIIIHH", machine, 1, 0, 0, 0, len(optional), 0x2022)
    head = b"MZ" + bytes(0x3A) + (0x40).to_bytes(4, "little") + b"PE\0\0" + coff + optional + section
    # Directory: one name, its pointer array at 0x1028, the name itself at 0x102C.
    exports = struct.pack("<20xII4xI4x", 1, 1, 0x1028) + struct.pack("<I", 0x102C) + export + b"\0"
    return head.ljust(0x200, b"\0") + exports.ljust(0x100, b"\0")


class Package(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qp-dist-test-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.x86 = self.write("x86.dll", fake_dll(0x014C))
        self.x64 = self.write("x64.dll", fake_dll(0x8664))
        self.clap = self.write("Quorrelphone.clap", fake_clap())
        self.write("presets/Quorrelphone Factory.fxb", b"CcnK bank")
        self.write("presets/01 Reed $1.fxp", b"CcnK preset")     # '$' means a variable to NSIS
        self.write("presets/notes.txt", b"not shipped")
        self.write("docs/manual.md", b"# Quorrelphone @VERSION@\n![face](images/editor.png)\n")
        self.write("docs/images/editor.png", PICTURE)
        self.write("docs/images/unused.png", b"\x89PNG not shown")

    def write(self, name, data):
        path = os.path.join(self.dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def make(self, out="out", x86=None, x64=None, clap=None):
        env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
        return subprocess.run([sys.executable, MAKE_DIST, "--x86", x86 or self.x86, "--x64", x64 or self.x64,
                               "--clap", clap or self.clap,
                               "--presets", os.path.join(self.dir, "presets"),
                               "--docs", os.path.join(self.dir, "docs"), "--out", os.path.join(self.dir, out)],
                              capture_output=True, text=True, env=env)

    def made(self, out="out"):
        result = self.make(out)
        self.assertEqual(result.returncode, 0, result.stderr)

    def package_path(self, kind, out="out"):
        return os.path.join(self.dir, out, PACKAGES[kind] % VERSION)

    def test_unpacks_into_one_folder_with_both_dlls_presets_manual_and_sums(self):
        self.made()
        for kind in PACKAGES:                           # to publish as they are
            self.assertEqual(os.stat(self.package_path(kind)).st_mode & 0o777, 0o644, kind)
        with zipfile.ZipFile(self.package_path("zip")) as z:
            names = z.namelist()
            self.assertEqual(names, sorted(names))
            self.assertEqual({i.date_time for i in z.infolist()}, {time.gmtime(1700000000)[:6]})
            top = "Quorrelphone-%s/" % VERSION
            self.assertEqual(set(names), {top + n for n in (
                "", "SHA256SUMS", "manual/", "manual/images/", "manual/images/editor.png", "manual/manual.html",
                "manual/manual.md", "presets/", "presets/01 Reed $1.fxp", "presets/Quorrelphone Factory.fxb",
                "x64/", "x64/Quorrelphone.clap", "x64/Quorrelphone.dll", "x86/", "x86/Quorrelphone.dll")})
            self.assertEqual({i.filename: i.external_attr >> 16 for i in z.infolist()},
                             {n: 0o40755 if n.endswith("/") else 0o100644 for n in names})
            self.assertEqual(z.read(top + "x64/Quorrelphone.dll"), fake_dll(0x8664))
            self.assertEqual(z.read(top + "x64/Quorrelphone.clap"), fake_clap())
            self.assertEqual(z.read(top + "manual/manual.md").decode(),
                             "# Quorrelphone %s\n![face](images/editor.png)\n" % VERSION)
            html = z.read(top + "manual/manual.html").decode()
            listed = dict(reversed(line.split("  ", 1)) for line in z.read(top + "SHA256SUMS").decode().splitlines())
            self.assertEqual({top + n for n in listed}, {n for n in names if not n.endswith(("/", "SHA256SUMS"))})
            z.extractall(os.path.join(self.dir, "unpacked"))
        # The manual opens with its picture wherever it is copied: nothing but data: URIs.
        self.assertIn("<h1", html)
        self.assertEqual(re.findall(r'<img[^>]*src="([^"]*)"', html),
                         ["data:image/png;base64," + base64.b64encode(PICTURE).decode()])
        self.assertEqual(re.findall(r'\b(?:src|href)="(?!data:|#)([^"]*)"', html), [])
        check = subprocess.run(["sha256sum", "-c", "--strict", "SHA256SUMS"], capture_output=True,
                               cwd=os.path.join(self.dir, "unpacked", top))
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_same_inputs_give_the_same_bytes(self):
        self.made("first")
        for path in (self.x86, "presets/01 Reed $1.fxp", "docs/images/editor.png"):
            os.utime(os.path.join(self.dir, path), (1, 1))  # file times of the inputs must not leak in
        self.made("second")
        for kind in PACKAGES:
            with open(self.package_path(kind, "first"), "rb") as a, open(self.package_path(kind, "second"), "rb") as b:
                self.assertEqual(a.read(), b.read(), kind)

    def refused(self, result, words):
        self.assertEqual(result.returncode, 1)
        self.assertIn(words, result.stderr)
        self.assertEqual(os.listdir(os.path.join(self.dir, "out")) if os.path.isdir(os.path.join(self.dir, "out"))
                         else [], [])

    def test_swapped_or_missing_dlls_are_refused_and_nothing_is_written(self):
        cases = [  # what make-dist is given, what it says
            (dict(x86=self.x64, x64=self.x86), "not x86"),
            (dict(x64=self.write("text.dll", b"hello")), "not a Windows DLL"),
            (dict(x64=os.path.join(self.dir, "absent.dll")), "cannot read"),
            (dict(x64=self.clap, clap=self.x64), "Quorrelphone.clap is a CLAP module, not the VST 2 plug-in"),
            (dict(clap=self.x64), "x64.dll does not export clap_entry"),
            (dict(x86=self.write("x86.clap", fake_clap(machine=0x014C))), "x86.clap is a CLAP module"),
            (dict(clap=os.path.join(self.dir, "x86.clap")), "not x64"),
            (dict(clap=self.write("other.clap", fake_clap(export=b"main"))), "does not export clap_entry"),
            (dict(clap=self.write("cut.clap", fake_clap()[:0x220])), "damaged export table"),
            (dict(clap=self.write("astray.clap", fake_clap(table_rva=0x5000))), "lies in no section"),
        ]
        for given, words in cases:
            with self.subTest(words):
                self.refused(self.make(**given), words)

    def test_manual_must_state_its_version_and_have_its_pictures(self):
        os.remove(os.path.join(self.dir, "docs/images/editor.png"))
        self.refused(self.make(), "editor.png")
        self.write("docs/manual.md", b"# Quorrelphone 1.0\n")
        self.refused(self.make(), "does not say its version")


class PlainTree(unittest.TestCase):
    """No git history to ask (no git, or an unpacked archive): the package's time and
    the format check's file list come from the tree itself."""
    write, package_path = Package.write, Package.package_path

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
        for name in ("tools/dist/make-dist.py", "tools/dist/Quorrelphone.nsi", "VERSION", "RELEASE_DATE"):
            os.makedirs(os.path.dirname(os.path.join(nested, name)), exist_ok=True)
            shutil.copy(os.path.join(ROOT, name), os.path.join(nested, name))
        with_git = dict(self.env, PATH=os.environ["PATH"])
        nested_make_dist = os.path.join(nested, "tools/dist/make-dist.py")
        for what, make_dist, env in (("no git", MAKE_DIST, self.env),
                                     ("inside another clone", nested_make_dist, with_git)):
            with self.subTest(what):
                result = subprocess.run([sys.executable, make_dist, "--x86", self.x86, "--x64", self.x64,
                                         "--clap", self.clap, "--presets", os.path.join(self.dir, "presets"),
                                         "--docs", os.path.join(self.dir, "docs"),
                                         "--out", os.path.join(self.dir, what)],
                                        capture_output=True, text=True, env=env)
                self.assertEqual(result.returncode, 0, result.stderr)
                with zipfile.ZipFile(self.package_path("zip", what)) as z:
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


UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorrelphone"
DOCUMENTS = r"C:\\users\\[^\\]+\\Documents\\Quorrelphone"   # the default: the user's own Documents
UNINSTALLER = "Uninstall Quorrelphone.exe"


class WinePrefix:
    """A throwaway Wine prefix with a throwaway home (its Documents lands there)."""

    def __init__(self, folder, arch):
        self.folder = folder
        shutil.rmtree(folder, ignore_errors=True)
        self.drive = os.path.join(folder, "prefix", "drive_c")
        self.home = os.path.join(folder, "home")
        os.makedirs(self.home)
        self.env = dict(os.environ, WINEPREFIX=os.path.join(folder, "prefix"), WINEARCH=arch, HOME=self.home,
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.run("wineboot", "-i")

    def run(self, *command):
        """A program to its end, and every process it started (an uninstaller hands over to its copy)."""
        result = subprocess.run(["wine", *command], env=self.env, capture_output=True, text=True, timeout=300)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=300)
        return result

    def command_line(self, line):
        """Runs a command line as a musician types it; its exit code."""
        with open(os.path.join(self.drive, "windows", "temp", "qp-test.bat"), "w") as f:
            f.write("%s\r\nexit /b %%ERRORLEVEL%%\r\n" % line)
        return self.run("cmd", "/c", r"C:\windows\temp\qp-test.bat").returncode

    def unix(self, path):
        drive, _, rest = path.partition(":\\")
        assert drive.upper() == "C", path
        return os.path.realpath(os.path.join(self.drive, *rest.split("\\")))  # Documents links into home

    def entry(self, view):
        """The Add/Remove Programs entry in one registry view, or None."""
        result = self.run("reg", "query", UNINSTALL_KEY, "/reg:%d" % view)
        if result.returncode != 0:
            return None
        return {m[0]: int(m[2], 16) if m[1] == "REG_DWORD" else m[2]
                for m in re.findall(r"^ {4}(.+?) {4}(REG_\w+) {4}(.*?)\r?$", result.stdout, re.M)}

    def files(self):
        """Every file and folder outside Windows' own and the temporary folders, and the tops."""
        found = {os.path.realpath(self.drive), os.path.realpath(self.home)}
        for top in map(os.path.realpath, (self.drive, self.home)):
            for folder, dirs, names in os.walk(top):
                dirs[:] = [d for d in dirs if d.lower() not in ("windows", "temp")]
                found.update(os.path.join(folder, n) for n in dirs + names)
        return found

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env)
        shutil.rmtree(self.folder, ignore_errors=True)    # some 600 MB each


class Setup(unittest.TestCase):
    """The setup program and its uninstaller, silent, under Wine: files byte for byte the
    zip's and the trees', where each Windows expects them, each DLL loadable at its width,
    and nothing of ours left behind after uninstalling (while other plug-ins and the
    musician's presets stay)."""

    @classmethod
    def setUpClass(cls):
        work = OPTIONS["work"]
        dist = os.path.join(work, "dist")
        shutil.rmtree(dist, ignore_errors=True)
        cls.built = {"x86/Quorrelphone.dll": os.path.join(OPTIONS["tree32"], "bin", "Quorrelphone.dll"),
                     "x64/Quorrelphone.dll": os.path.join(OPTIONS["tree64"], "bin", "Quorrelphone.dll"),
                     "x64/Quorrelphone.clap": os.path.join(OPTIONS["tree64"], "bin", "Quorrelphone.clap")}
        made = subprocess.run([sys.executable, MAKE_DIST, "--out", dist, "--x86", cls.built["x86/Quorrelphone.dll"],
                               "--x64", cls.built["x64/Quorrelphone.dll"], "--clap", cls.built["x64/Quorrelphone.clap"]],
                              capture_output=True, text=True)
        assert made.returncode == 0, made.stderr
        cls.setup = "Z:" + os.path.join(dist, PACKAGES["setup"] % VERSION).replace("/", "\\")
        with zipfile.ZipFile(os.path.join(dist, PACKAGES["zip"] % VERSION)) as z:
            top = "Quorrelphone-%s/" % VERSION
            cls.packed = {i.filename[len(top):]: z.read(i) for i in z.infolist() if not i.is_dir()}
        cls.prefixes = {arch: WinePrefix(os.path.join(work, arch), arch) for arch in ("win64", "win32")}

    @classmethod
    def tearDownClass(cls):
        for prefix in cls.prefixes.values():
            prefix.close()

    def test_packs_the_built_plugins(self):
        for name, path in self.built.items():
            with open(path, "rb") as f:
                self.assertTrue(self.packed.get(name) == f.read(), name)

    def test_installs_where_expected_and_uninstalls_to_nothing(self):
        default64, default32 = r"C:\Program Files\Common Files\VST2", r"C:\Program Files (x86)\Common Files\VST2"
        clap64 = r"C:\Program Files\Common Files\CLAP"
        cases = [  # Windows, switches, 64-bit folder, 32-bit folder, CLAP folder, documents folder, setup runs
            ("win64", "", default64, default32, clap64, DOCUMENTS, 2),
            # The CLAP module beside the 64-bit DLL, in a folder the setup program creates.
            ("win64", r'/VST64="C:\Audio\VST 64" /VST32="C:\Audio\VST 32\" /CLAP="C:\Audio\VST 64\" '
             r'/D=C:\My Docs\Quorrelphone', r"C:\Audio\VST 64", r"C:\Audio\VST 32", r"C:\Audio\VST 64",
             re.escape(r"C:\My Docs\Quorrelphone"), 1),
            ("win32", "", None, r"C:\Program Files\Common Files\VST2", None, DOCUMENTS, 1),
        ]
        for arch, switches, vst64, vst32, clap, docs, runs in cases:
            with self.subTest(arch=arch, switches=switches):
                wine = self.prefixes[arch]
                other = wine.unix(default64 + r"\Other.dll")          # another vendor's plug-in, there before
                os.makedirs(os.path.dirname(other), exist_ok=True)
                with open(other, "wb") as f:
                    f.write(b"not ours")
                before = wine.files()
                for _ in range(runs):                                 # again: over the installed one
                    self.assertEqual(wine.command_line('"%s" /S %s' % (self.setup, switches)), 0)

                entry = wine.entry(64) or {}
                place = entry.get("InstallLocation", "")
                self.assertRegex(place, "^%s$" % docs)
                uninstall = '"%s\\%s"' % (place, UNINSTALLER)
                self.assertEqual({k: entry.get(k) for k in ("DisplayName", "DisplayVersion", "Publisher", "Vst64Folder",
                                                            "Vst32Folder", "ClapFolder", "UninstallString",
                                                            "QuietUninstallString")},
                                 {"DisplayName": "Quorrelphone", "DisplayVersion": VERSION, "Publisher": "Veltmarsk",
                                  "Vst64Folder": vst64, "Vst32Folder": vst32, "ClapFolder": clap,
                                  "UninstallString": uninstall, "QuietUninstallString": uninstall + " /S"})
                if arch == "win64":
                    self.assertIsNone(wine.entry(32))

                expected = {wine.unix(vst32 + r"\Quorrelphone.dll"): self.packed["x86/Quorrelphone.dll"]}
                if vst64:
                    expected[wine.unix(vst64 + r"\Quorrelphone.dll")] = self.packed["x64/Quorrelphone.dll"]
                if clap:
                    expected[wine.unix(clap + r"\Quorrelphone.clap")] = self.packed["x64/Quorrelphone.clap"]
                expected.update((wine.unix(place + "\\" + n.replace("/", "\\")), data)
                                for n, data in self.packed.items() if n.startswith(("presets/", "manual/")))
                installed = {p for p in wine.files() - before if os.path.isfile(p)}
                self.assertEqual(installed, set(expected) | {wine.unix(place + "\\" + UNINSTALLER)})
                for path, data in expected.items():
                    with open(path, "rb") as f:
                        self.assertTrue(f.read() == data, path)
                size = sum(map(len, expected.values()))
                self.assertTrue(size <= entry["EstimatedSize"] * 1024 < size + 1024 * len(expected), entry)

                for tree, folder in (("tree32", vst32), ("tree64", vst64)):
                    if folder:
                        info = wine.run(os.path.join(OPTIONS[tree], "bin", "qphost.exe"), "info",
                                        folder + r"\Quorrelphone.dll")
                        self.assertEqual(info.returncode, 0, info.stdout + info.stderr)
                        self.assertRegex(info.stdout, r"effect name\s+Quorrelphone\n")

                mine = wine.unix(place + r"\presets\My Own.fxp")     # the musician's, beside the factory ones
                with open(mine, "wb") as f:
                    f.write(b"mine")
                self.assertEqual(wine.command_line(entry["QuietUninstallString"]), 0)
                kept = {mine}                                         # with the folders it needs
                while os.path.dirname(min(kept)) not in before:
                    kept.add(os.path.dirname(min(kept)))
                self.assertEqual(wine.files() ^ before, kept)
                self.assertEqual([wine.entry(64), wine.entry(32)], [None, None])
                for path in sorted(kept, reverse=True):              # the next case starts clean
                    (os.remove if path == mine else os.rmdir)(path)

    def test_one_folder_for_both_widths_is_refused(self):
        wine = self.prefixes["win64"]
        before = wine.files()
        self.assertEqual(wine.command_line('"%s" /S /VST64=C:\\VST /VST32=C:\\vst\\' % self.setup), 2)
        self.assertEqual(wine.files(), before)
        self.assertIsNone(wine.entry(64))


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
        if err is not None:                              # the case itself then counts as neither
            self.cases.append((subtest, self._exc_info_to_string(err, test)))


def case_names(test):
    """Name and class of a test, of one of its subtests, or of a class set-up that failed."""
    case = getattr(test, "test_case", test)
    name = getattr(case, "_testMethodName", None) or case.id()
    return name + (" " + test._subDescription() if case is not test else ""), type(case).__name__


def run_and_report(suite, result_path, resultclass=None):
    """Runs the suite and writes its outcomes as GoogleTest-style XML; the exit status."""
    result = unittest.TextTestRunner(resultclass=resultclass or XmlResult, verbosity=2).run(suite)
    lines = []
    for test, failure in result.cases:
        case = "    <testcase name=%s classname=%s status=\"run\" result=\"completed\"" % tuple(
            map(quoteattr, case_names(test)))
        lines.append(case + ("/>" if failure is None else
                             ">\n      <failure message=%s type=\"\"/>\n    </testcase>" % quoteattr(failure)))
    os.makedirs(os.path.dirname(os.path.abspath(result_path)), exist_ok=True)
    with open(result_path, "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<testsuites tests="%d" failures="%d">\n  <testsuite>\n%s\n'
                "  </testsuite>\n</testsuites>\n" % (len(result.cases), len(result.failures) + len(result.errors),
                                                     "\n".join(lines)))
    return 0 if result.wasSuccessful() and result.testsRun > 0 else 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--result", required=True)
    parser.add_argument("--windres")
    parser.add_argument("--dll")
    parser.add_argument("--tree32", help="the win32 build tree (its DLL and qphost.exe)")
    parser.add_argument("--tree64", help="the win64 build tree")
    parser.add_argument("--work", help="a folder for the packages and the Wine prefixes")
    parser.add_argument("suites", nargs="+", choices=["Package", "PlainTree", "VersionBlock", "Setup"])
    args = parser.parse_args()
    OPTIONS.update(vars(args))
    suite = unittest.TestSuite(unittest.defaultTestLoader.loadTestsFromTestCase(globals()[s]) for s in args.suites)
    return run_and_report(suite, args.result)


if __name__ == "__main__":
    sys.exit(main())
