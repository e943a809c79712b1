#!/usr/bin/env python3
"""Packs the Linux release: Quorrelphone-<version>-linux-x86_64.tar.gz with the LV2 bundle,
the CLAP module (Quorrelphone.clap, one shared object: it goes into ~/.clap or /usr/lib/clap,
or a folder named in CLAP_PATH, as the manual tells), the VST 2 plug-in (vst/Quorrelphone.so,
for ~/.vst, ~/.lxvst or a folder of LXVST_PATH/VST_PATH), the manual with its pictures (and
as one self-contained manual.html), and SHA256SUMS over every other file, all under one
folder Quorrelphone-<version>/.

    tools/dist/make-linux-dist.py --bundle build/linux/Quorrelphone.lv2 \\
                                  --clap build/linux/Quorrelphone.clap \\
                                  --vst build/linux/vst/Quorrelphone.so --out dist

The same inputs give the same bytes, as with the Windows zip (make-dist.py, whose version,
manual, checksum and time rules this reuses): entries are sorted, every entry carries one
time (SOURCE_DATE_EPOCH, else the time of the checkout's last commit), owner root:root,
mode 0755 for folders and 0644 for files, and the gzip header has neither a time nor a
file name. The package is written under a temporary name and renamed, so a failed run
leaves none behind.
"""

import argparse
import calendar
import gzip
import importlib.util
import io
import os
import re
import struct
import sys
import tarfile
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
BUNDLE_NAME = "Quorrelphone.lv2"
CLAP_NAME = "Quorrelphone.clap"
# Its own folder, as the bundle's DSP object carries the same file name.
VST_NAME = "vst/Quorrelphone.so"
# Linux hosts look for either name; anything more it exported would be the static
# C++ runtime leaking into the host's symbol space.
VST_ENTRIES = {"VSTPluginMain", "main"}
FOLDER_MODE, FILE_MODE, PUBLISHED_MODE = 0o755, 0o644, 0o644
ELF_CLASS_64, ELF_LITTLE_ENDIAN, ELF_SHARED_OBJECT, ELF_MACHINE_X86_64 = 2, 1, 3, 62
ELF_DYNAMIC_SYMBOLS, ELF_GLOBAL, ELF_WEAK = 11, 1, 2  # SHT_DYNSYM, STB_GLOBAL, STB_WEAK
# A relative IRI in the manifest (<Quorrelphone.so>, <presets/Reed.ttl>) names a file of the bundle.
RELATIVE_IRI = re.compile(r"<([^<>:#\s]+)>")


def load_windows_packer():
    found = importlib.util.spec_from_file_location("make_dist", os.path.join(HERE, "make-dist.py"))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


common = load_windows_packer()
PackageError = common.PackageError


def checked_library(name, data):
    """A shared object that a 64-bit x86 Linux host can load, or a PackageError."""
    if data[:4] != b"\x7fELF" or len(data) < 20:
        raise PackageError("%s is not an ELF file" % name)
    if data[4] != ELF_CLASS_64 or data[5] != ELF_LITTLE_ENDIAN:
        raise PackageError("%s is not a 64-bit little-endian ELF file" % name)
    kind, machine = int.from_bytes(data[16:18], "little"), int.from_bytes(data[18:20], "little")
    if kind != ELF_SHARED_OBJECT:
        raise PackageError("%s is not a shared object (ELF type %d)" % (name, kind))
    if machine != ELF_MACHINE_X86_64:
        raise PackageError("%s is built for machine %d, not x86-64" % (name, machine))


def elf_exports(name, data):
    """The symbols a 64-bit ELF shared object defines for others: its dynamic symbol
    table's global and weak entries that lie in a section of its own."""
    try:
        header, entry_size, count = struct.unpack_from("<Q", data, 0x28)[0], *struct.unpack_from("<HH", data, 0x3A)
        # Each header: name, type, flags, address, offset, size, link, info, alignment, entry size.
        sections = [struct.unpack_from("<IIQQQQIIQQ", data, header + n * entry_size) for n in range(count)]
        found = set()
        for _, kind, _, _, offset, size, link, _, _, symbol_size in sections:
            if kind != ELF_DYNAMIC_SYMBOLS or symbol_size == 0:
                continue
            strings = sections[link][4]
            for at in range(offset, offset + size, symbol_size):
                text, info, _, section = struct.unpack_from("<IBBH", data, at)
                if section != 0 and info >> 4 in (ELF_GLOBAL, ELF_WEAK):
                    start = strings + text
                    found.add(data[start:data.index(b"\0", start)].decode("ascii"))
        return found
    except (struct.error, ValueError, IndexError, UnicodeDecodeError) as e:
        raise PackageError("%s has a damaged symbol table (%s)" % (name, e))


def clap_module(path):
    """The CLAP module's bytes, once it is an x86-64 shared object that exports clap_entry."""
    data = common.read_bytes(path)
    checked_library(path, data)
    if common.CLAP_ENTRY not in elf_exports(path, data):
        raise PackageError("%s does not export %s" % (path, common.CLAP_ENTRY))
    return data


def vst_library(path):
    """The VST 2 plug-in's bytes, once it is an x86-64 shared object that exports its two
    entry names and nothing else."""
    data = common.read_bytes(path)
    checked_library(path, data)
    exports = elf_exports(path, data)
    if exports != VST_ENTRIES:
        missing, extra = sorted(VST_ENTRIES - exports), sorted(exports - VST_ENTRIES)
        raise PackageError("%s %s" % (path, "does not export " + " and ".join(missing) if missing else
                                      "exports more than VSTPluginMain and main: " + ", ".join(extra[:5])))
    return data


def bundle_files(bundle):
    """Every file of the bundle, by its path inside the package, once the manifest's files
    are all there and each library in it is an x86-64 shared object."""
    if not os.path.isdir(bundle):
        raise PackageError("%s is not a folder" % bundle)
    files = {}
    for folder, subfolders, names in os.walk(bundle):
        subfolders.sort()
        for name in names:
            path = os.path.join(folder, name)
            inside = os.path.relpath(path, bundle).replace(os.sep, "/")
            files[inside] = common.read_bytes(path)
    if "manifest.ttl" not in files:
        raise PackageError("%s has no manifest.ttl" % bundle)
    for listed in RELATIVE_IRI.findall(files["manifest.ttl"].decode("utf-8", "replace")):
        if listed not in files:
            raise PackageError("%s/manifest.ttl names %s, which the bundle lacks" % (bundle, listed))
    libraries = [n for n in files if n.endswith(".so")]
    if not libraries:
        raise PackageError("%s holds no .so library" % bundle)
    for name in libraries:
        checked_library(name, files[name])
    return {BUNDLE_NAME + "/" + name: data for name, data in files.items()}


def tar_bytes(top, files, stamp):
    """The uncompressed tar: `top`/ and every folder above a file as entries of their own."""
    folders = {top}
    for name in files:
        parts = name.split("/")[:-1]
        folders.update("/".join([top] + parts[:n]) for n in range(1, len(parts) + 1))
    entries = {folder: None for folder in folders}
    entries.update((top + "/" + name, data) for name, data in files.items())
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.USTAR_FORMAT) as archive:
        for name in sorted(entries):
            entry = tarfile.TarInfo(name)
            entry.mtime = stamp
            entry.uid = entry.gid = 0
            entry.uname = entry.gname = "root"
            data = entries[name]
            if data is None:
                entry.type, entry.mode = tarfile.DIRTYPE, FOLDER_MODE
                archive.addfile(entry)
            else:
                entry.mode, entry.size = FILE_MODE, len(data)
                archive.addfile(entry, io.BytesIO(data))
    return raw.getvalue()


def write_package(path, payload):
    directory = os.path.dirname(path) or "."
    os.makedirs(directory, exist_ok=True)
    handle, temporary = tempfile.mkstemp(prefix=".partial-", suffix=".tar.gz", dir=directory)
    try:
        with os.fdopen(handle, "wb") as raw:
            # filename="" and mtime=0 leave the header without a name or a time.
            with gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9, mtime=0) as packed:
                packed.write(payload)
        os.chmod(temporary, PUBLISHED_MODE)  # mkstemp's own 0600 would keep the package private
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bundle", required=True, help="the built " + BUNDLE_NAME + " folder")
    parser.add_argument("--clap", required=True, help="the built " + CLAP_NAME)
    parser.add_argument("--vst", required=True, help="the built Quorrelphone.so of the VST 2 plug-in")
    parser.add_argument("--out", default=os.path.join(ROOT, "dist"), help="folder for the package")
    parser.add_argument("--docs", default=os.path.join(ROOT, "docs"))
    parser.add_argument("--version-file", default=os.path.join(ROOT, "VERSION"))
    args = parser.parse_args(argv)
    try:
        version = common.read_version(args.version_file)
        files = bundle_files(args.bundle)
        files[CLAP_NAME] = clap_module(args.clap)
        files[VST_NAME] = vst_library(args.vst)
        manual = common.manual_files(args.docs, version)
        manual["manual/manual.html"] = common.manual_html(manual, version)
        files.update(manual)
        files[common.SUMS_NAME] = common.sums(files)
        top = "Quorrelphone-" + version
        path = os.path.join(args.out, "%s-linux-x86_64.tar.gz" % top)
        write_package(path, tar_bytes(top, files, calendar.timegm(common.package_time())))
    except PackageError as e:
        print("make-linux-dist: %s" % e, file=sys.stderr)
        return 1
    print("%s (%d bytes)" % (path, os.path.getsize(path)))
    for name in sorted(files):
        print("  %9d  %s/%s" % (len(files[name]), top, name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
