#!/usr/bin/env python3
"""Packs a release: Quorrelphone-<version>-windows.zip with both DLLs, the preset files,
the manual with its pictures, and SHA256SUMS over every other file.

    tools/dist/make-dist.py --x86 build/win32/bin/Quorrelphone.dll \\
                            --x64 build/win64/bin/Quorrelphone.dll --out dist

The same inputs give the same bytes: entries are sorted, and every entry carries one
time (SOURCE_DATE_EPOCH, else the time of the checkout's last commit, else, in a tree
that is no clone, the day in RELEASE_DATE), fixed permissions and the same compression.
The zip is written under a temporary name and renamed, so a failed run leaves no
package behind.
"""

import argparse
import calendar
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PLUGIN_NAME = "Quorrelphone.dll"
VERSION_MARK = "@VERSION@"
SUMS_NAME = "SHA256SUMS"
RELEASE_DATE_NAME = "RELEASE_DATE"
# The machine field of a PE header: a 32-bit host loads only i386 DLLs, a 64-bit one only amd64.
PE_MACHINES = {"x86": 0x014C, "x64": 0x8664}
EARLIEST_ZIP_TIME = 315532800  # 1980-01-01, the first time a zip entry can carry
IMAGE_LINK = re.compile(r"!\[[^\]]*\]\(([^)\s]+)\)")


class PackageError(Exception):
    pass


def read_version(path):
    with open(path) as f:
        version = f.readline().strip()
    if not re.fullmatch(r"\d+\.\d+\.\d+", version):
        raise PackageError("%s must hold MAJOR.MINOR.PATCH, not %r" % (path, version))
    return version


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError as e:
        raise PackageError("cannot read %s: %s" % (path, e.strerror))


def checked_plugin(path, arch):
    """The DLL's bytes, once its header says it is a DLL for that architecture."""
    data = read_bytes(path)
    ok = data[:2] == b"MZ" and len(data) >= 0x40
    if ok:
        pe = int.from_bytes(data[0x3C:0x40], "little")
        ok = data[pe:pe + 4] == b"PE\0\0"
        machine = int.from_bytes(data[pe + 4:pe + 6], "little") if ok else None
        if ok and machine != PE_MACHINES[arch]:
            raise PackageError("%s is built for machine 0x%04x, not %s" % (path, machine, arch))
    if not ok:
        raise PackageError("%s is not a Windows DLL" % path)
    return data


def manual_files(docs_dir, version):
    """The manual with its version filled in, and every picture it shows."""
    text = read_bytes(os.path.join(docs_dir, "manual.md")).decode("utf-8")
    if VERSION_MARK not in text:
        raise PackageError("docs/manual.md does not say its version (%s)" % VERSION_MARK)
    files = {"manual/manual.md": text.replace(VERSION_MARK, version).encode("utf-8")}
    for link in IMAGE_LINK.findall(text):
        if "://" in link or link.startswith("/") or ".." in link.split("/"):
            raise PackageError("manual picture %s is not a file beside the manual" % link)
        files["manual/" + link] = read_bytes(os.path.join(docs_dir, link))
    return files


def preset_files(presets_dir):
    """Every preset and bank file, and the folder's README (the presets' table) when there is one."""
    names = sorted(n for n in os.listdir(presets_dir) if n.lower().endswith((".fxb", ".fxp"))) \
        if os.path.isdir(presets_dir) else []
    files = {"presets/" + n: read_bytes(os.path.join(presets_dir, n)) for n in names}
    if files and os.path.isfile(os.path.join(presets_dir, "README.md")):
        files["presets/README.md"] = read_bytes(os.path.join(presets_dir, "README.md"))
    return files


def sums(files):
    """sha256sum's own format, so `sha256sum -c SHA256SUMS` checks an unpacked package."""
    return "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name)
                   for name, data in sorted(files.items())).encode("utf-8")


def release_date_time(path):
    """The day in RELEASE_DATE (YYYY-MM-DD), at midnight UTC: the time of a tree that is no clone."""
    try:
        with open(path) as f:
            day = f.readline().strip()
        return calendar.timegm(time.strptime(day, "%Y-%m-%d"))
    except OSError as e:
        raise PackageError("no git history and no release date: cannot read %s: %s" % (path, e.strerror))
    except ValueError:
        raise PackageError("%s must hold the release's date as YYYY-MM-DD, not %r" % (path, day))


def package_time():
    if os.environ.get("SOURCE_DATE_EPOCH"):
        stamp = int(os.environ["SOURCE_DATE_EPOCH"])
    else:
        # The ceiling keeps git from answering for a repository the tree merely sits in.
        env = dict(os.environ, GIT_CEILING_DIRECTORIES=os.path.dirname(ROOT))
        try:
            stamp = int(subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"], check=True,
                                       capture_output=True, text=True, env=env).stdout.strip())
        except (OSError, subprocess.CalledProcessError, ValueError):
            stamp = release_date_time(os.path.join(ROOT, RELEASE_DATE_NAME))
    return time.gmtime(max(stamp, EARLIEST_ZIP_TIME))[:6]


def write_zip(path, files, date_time):
    directory = os.path.dirname(path) or "."
    os.makedirs(directory, exist_ok=True)
    handle, temporary = tempfile.mkstemp(prefix=".partial-", suffix=".zip", dir=directory)
    try:
        with os.fdopen(handle, "wb") as raw, zipfile.ZipFile(raw, "w") as archive:
            for name in sorted(files):
                entry = zipfile.ZipInfo(name, date_time)
                entry.create_system = 3              # Unix, so the permissions below mean what they say
                entry.external_attr = 0o644 << 16
                entry.compress_type = zipfile.ZIP_DEFLATED
                archive.writestr(entry, files[name], compresslevel=9)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--x86", required=True, help="the 32-bit Quorrelphone.dll")
    parser.add_argument("--x64", required=True, help="the 64-bit Quorrelphone.dll")
    parser.add_argument("--out", default=os.path.join(ROOT, "dist"), help="folder for the zip")
    parser.add_argument("--presets", default=os.path.join(ROOT, "presets"))
    parser.add_argument("--docs", default=os.path.join(ROOT, "docs"))
    parser.add_argument("--version-file", default=os.path.join(ROOT, "VERSION"))
    args = parser.parse_args(argv)
    try:
        version = read_version(args.version_file)
        files = {"x86/" + PLUGIN_NAME: checked_plugin(args.x86, "x86"),
                 "x64/" + PLUGIN_NAME: checked_plugin(args.x64, "x64")}
        presets = preset_files(args.presets)
        files.update(presets)
        files.update(manual_files(args.docs, version))
        files[SUMS_NAME] = sums(files)
        path = os.path.join(args.out, "Quorrelphone-%s-windows.zip" % version)
        write_zip(path, files, package_time())
    except PackageError as e:
        print("make-dist: %s" % e, file=sys.stderr)
        return 1
    if not presets:
        print("make-dist: note: no .fxb or .fxp files in %s" % args.presets, file=sys.stderr)
    print("%s (%d bytes)" % (path, os.path.getsize(path)))
    for name in sorted(files):
        print("  %9d  %s" % (len(files[name]), name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
