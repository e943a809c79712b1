#!/usr/bin/env python3
"""Packs a release: Quorrelphone-<version>-windows.zip and Quorrelphone-<version>-setup.exe.

    tools/dist/make-dist.py --x86 build/win32/bin/Quorrelphone.dll \\
                            --x64 build/win64/bin/Quorrelphone.dll \\
                            --clap build/win64/bin/Quorrelphone.clap --out dist

The zip unpacks into one folder, Quorrelphone-<version>/, holding both DLLs, the 64-bit
CLAP module (x64/Quorrelphone.clap, a DLL too), the preset files, the manual (manual.md with its pictures, and manual.html with the pictures inside,
made by pandoc) and SHA256SUMS over every other file. The setup program (NSIS's makensis,
tools/dist/Quorrelphone.nsi) installs the same files, byte for byte.

The same inputs give the same bytes: entries are sorted, and every entry carries one
time (SOURCE_DATE_EPOCH, else the time of the checkout's last commit, else, in a tree
that is no clone, the day in RELEASE_DATE), fixed
permissions and the same compression; the setup program's files carry that time too.
Each package is written under a temporary name and renamed, so a failed run leaves no
package behind; both are readable by everyone (0644), as files to publish.
"""

import argparse
import calendar
import hashlib
import os
import posixpath
import re
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SETUP_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Quorrelphone.nsi")
PLUGIN_NAME = "Quorrelphone.dll"
CLAP_NAME = "Quorrelphone.clap"
CLAP_ENTRY = "clap_entry"  # the CLAP module's one export
PUBLISHED_MODE = 0o644  # the packages; every entry inside the zip is 0644 too, every folder 0755
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


def pe_exports(data, path):
    """The names a PE file exports: its export directory (the first data directory),
    found through the section that holds it."""
    try:
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        # The data directories follow the optional header's fixed part: 96 bytes in PE32, 112 in PE32+.
        directories = optional + (112 if struct.unpack_from("<H", data, optional)[0] == 0x20B else 96)
        if directories + 8 > optional + optional_size:
            return set()
        table_rva = struct.unpack_from("<I", data, directories)[0]
        if table_rva == 0:
            return set()
        table = [struct.unpack_from("<8xIIII", data, optional + optional_size + 40 * n) for n in range(sections)]

        def offset(rva):
            for virtual_size, address, raw_size, raw in table:
                if address <= rva < address + max(virtual_size, raw_size):
                    return raw + rva - address
            raise ValueError("address 0x%x lies in no section" % rva)

        export = offset(table_rva)
        count, names = struct.unpack_from("<I4xI", data, export + 24)
        found = set()
        for n in range(count):
            start = offset(struct.unpack_from("<I", data, offset(names) + 4 * n)[0])
            found.add(data[start:data.index(b"\0", start)].decode("ascii"))
        return found
    except (struct.error, ValueError, UnicodeDecodeError) as e:
        raise PackageError("%s has a damaged export table (%s)" % (path, e))


def checked_module(path, arch, clap):
    """A DLL as checked_plugin takes it, which is the CLAP module (it exports clap_entry)
    when `clap` is true, and otherwise is not: the two 64-bit files must not trade places."""
    data = checked_plugin(path, arch)
    if (CLAP_ENTRY in pe_exports(data, path)) != clap:
        raise PackageError("%s %s" % (path, "does not export " + CLAP_ENTRY if clap else
                                      "is a CLAP module, not the VST 2 plug-in"))
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


def manual_html(manual, version):
    """manual/manual.html: pandoc's page for the packaged manual.md, its pictures inside as
    data: URIs, so it opens with its pictures wherever it is copied to."""
    try:
        found = subprocess.run(["pandoc", "--version"], check=True, capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError):
        raise PackageError("pandoc is needed for manual.html (./run dist installs it)")
    # Pandoc 2.19 renamed --self-contained (Debian 12 has 2.17) to --embed-resources.
    release = tuple(int(n) for n in re.search(r"(\d+)\.(\d+)", found).groups())
    embed = ["--embed-resources", "--standalone"] if release >= (2, 19) else ["--self-contained"]
    with tempfile.TemporaryDirectory(prefix="qp-manual-") as work:
        for name, data in manual.items():
            path = os.path.join(work, *name.split("/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
        # GitHub's Markdown, as the manual is written and read in the repository.
        result = subprocess.run(["pandoc", "--from=gfm", "--to=html5", *embed,
                                 "--metadata", "pagetitle=Quorrelphone %s manual" % version,
                                 "--metadata", "lang=en", "manual.md"],
                                cwd=os.path.join(work, "manual"), capture_output=True)
    if result.returncode != 0:
        raise PackageError("pandoc failed on the manual: %s" % result.stderr.decode(errors="replace").strip())
    html = result.stdout
    # Pandoc only warns about a picture it cannot embed and keeps the link.
    outside = re.findall(rb'<(?:img|link|script)\b[^>]*?\b(?:src|href)="(?!data:)([^"]*)"', html)
    if outside:
        raise PackageError("manual.html refers to files outside itself: %s"
                           % ", ".join(o.decode(errors="replace") for o in outside))
    return html


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


def write_zip(path, top, files, date_time):
    """Every file under the one folder `top`, so the package never unpacks loose into the
    folder it is opened in; each folder has its own entry, so it unpacks as 0755."""
    folders = {top}
    for name in files:
        parts = name.split("/")[:-1]
        folders.update("/".join([top] + parts[:n]) for n in range(1, len(parts) + 1))
    entries = {folder + "/": None for folder in folders}
    entries.update((top + "/" + name, data) for name, data in files.items())
    with open(path, "wb") as raw, zipfile.ZipFile(raw, "w") as archive:
        for name in sorted(entries):
            entry = zipfile.ZipInfo(name, date_time)
            entry.create_system = 3              # Unix, so the permissions below mean what they say
            if entries[name] is None:
                entry.external_attr = (0o40755 << 16) | 0x10  # the 0x10: a folder to MS-DOS readers too
                archive.writestr(entry, b"")
            else:
                entry.external_attr = 0o100644 << 16    # a regular file, rw-r--r--
                entry.compress_type = zipfile.ZIP_DEFLATED
                archive.writestr(entry, entries[name], compresslevel=9)


def nsis_text(text, at_install=True):
    """Text for a quoted string of the setup script; the installer's strings expand '$'."""
    if re.search(r'["`\n\r]', text):
        raise PackageError("the setup script cannot name %r" % text)
    return text.replace("$", "$$") if at_install else text


def setup_payload(files):
    """payload.nsh for Quorrelphone.nsi: every presets and manual file by name, to install
    and to remove again; each folder's missing levels are counted as it is entered and
    removed, when empty, after its files (folders in the reverse order)."""
    docs = sorted(n for n in files if n.startswith(("presets/", "manual/")))
    install, remove = [], []
    for folder in sorted({posixpath.dirname(n) for n in docs}):
        where = "$INSTDIR\\" + nsis_text(folder.replace("/", "\\"))
        value = nsis_text("NewFolders " + folder.replace("/", "\\"))
        names = [posixpath.basename(n) for n in docs if posixpath.dirname(n) == folder]
        install.append('  !insertmacro QP_ENTER_FOLDER "%s" "%s"' % (where, value))
        # File's source is a path on this machine, where '$' is only itself.
        install += ['  File "${STAGE}/%s/%s"' % (nsis_text(folder, False), nsis_text(n, False)) for n in names]
        remove[:0] = ['  Delete "%s\\%s"' % (where, nsis_text(n)) for n in names] + \
            ['  !insertmacro QP_LEAVE_FOLDER "%s" "%s"' % (where, value)]
    return ("; Written by make-dist.py: the presets and manual files of this package.\n"
            "!macro QP_INSTALL_DOCS\n%s\n!macroend\n!macro QP_REMOVE_DOCS\n%s\n!macroend\n"
            % ("\n".join(install), "\n".join(remove))).encode("utf-8")


def write_setup(path, version, files, stamp):
    """The setup program, from the package's own files; each carries the package's time,
    which NSIS stores and gives the installed file."""
    with tempfile.TemporaryDirectory(prefix="qp-setup-") as stage:
        staged = dict(files)
        staged["payload.nsh"] = setup_payload(files)
        for name, data in staged.items():
            target = os.path.join(stage, *name.split("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)
            os.utime(target, (stamp, stamp))
        command = ["makensis", "-V2", "-WX", "-NOCD", "-INPUTCHARSET", "UTF8", "-DVERSION=" + version,
                   "-DSTAGE=" + stage, "-DOUTFILE=" + os.path.abspath(path), SETUP_SCRIPT]
        try:
            result = subprocess.run(command, capture_output=True, text=True)
        except OSError:
            raise PackageError("makensis is needed for the setup program (./run dist installs it)")
    if result.returncode != 0:
        raise PackageError("makensis failed:\n%s" % (result.stdout + result.stderr).strip())


def publish(out, writers):
    """Runs each writer on a temporary file beside its package, and renames them all only
    once every one has succeeded."""
    os.makedirs(out, exist_ok=True)
    partial = {}
    try:
        for path, write in writers.items():
            handle, partial[path] = tempfile.mkstemp(prefix=".partial-", suffix=os.path.splitext(path)[1], dir=out)
            os.close(handle)
            write(partial[path])
            os.chmod(partial[path], PUBLISHED_MODE)  # mkstemp's own 0600 would keep the package private
        for path, temporary in partial.items():
            os.replace(temporary, path)
    finally:
        for temporary in partial.values():
            if os.path.exists(temporary):
                os.unlink(temporary)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--x86", required=True, help="the 32-bit Quorrelphone.dll")
    parser.add_argument("--x64", required=True, help="the 64-bit Quorrelphone.dll")
    parser.add_argument("--clap", required=True, help="the 64-bit Windows " + CLAP_NAME)
    parser.add_argument("--out", default=os.path.join(ROOT, "dist"), help="folder for the zip")
    parser.add_argument("--presets", default=os.path.join(ROOT, "presets"))
    parser.add_argument("--docs", default=os.path.join(ROOT, "docs"))
    parser.add_argument("--version-file", default=os.path.join(ROOT, "VERSION"))
    args = parser.parse_args(argv)
    try:
        version = read_version(args.version_file)
        files = {"x86/" + PLUGIN_NAME: checked_module(args.x86, "x86", clap=False),
                 "x64/" + PLUGIN_NAME: checked_module(args.x64, "x64", clap=False),
                 "x64/" + CLAP_NAME: checked_module(args.clap, "x64", clap=True)}
        presets = preset_files(args.presets)
        files.update(presets)
        manual = manual_files(args.docs, version)
        manual["manual/manual.html"] = manual_html(manual, version)
        files.update(manual)
        files[SUMS_NAME] = sums(files)
        date_time = package_time()
        zip_path = os.path.join(args.out, "Quorrelphone-%s-windows.zip" % version)
        setup_path = os.path.join(args.out, "Quorrelphone-%s-setup.exe" % version)
        publish(args.out, {
            zip_path: lambda partial: write_zip(partial, "Quorrelphone-" + version, files, date_time),
            setup_path: lambda partial: write_setup(partial, version, files, calendar.timegm(date_time))})
    except PackageError as e:
        print("make-dist: %s" % e, file=sys.stderr)
        return 1
    if not presets:
        print("make-dist: note: no .fxb or .fxp files in %s" % args.presets, file=sys.stderr)
    print("%s (%d bytes)" % (zip_path, os.path.getsize(zip_path)))
    for name in sorted(files):
        print("  %9d  Quorrelphone-%s/%s" % (len(files[name]), version, name))
    print("%s (%d bytes)" % (setup_path, os.path.getsize(setup_path)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
