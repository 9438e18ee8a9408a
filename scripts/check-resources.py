#!/usr/bin/env python3
"""Checks the resource section of a Windows executable (PE32 or PE32+): resource 102 of type
"FILESYSTEM" must hold exactly the bytes of the archive, and icon group 101 must exist with every
icon it lists (and, when the .ico is found, the same pictures). Standard library only.

Usage: check-resources.py EXE [--pak FILE] [--ico FILE]
Without --pak/--ico the files are taken from the native build named by K417_HOST_DIR in the
CMakeCache.txt of the build directory that holds EXE (assets/k417.pak and assets/k417.ico).
"""
import argparse
import os
import struct
import sys

RT_ICON = 3
RT_GROUP_ICON = 14


class PeError(Exception):
    pass


class Pe:
    """The parts of a PE file needed to walk its resource tree; every read is bounds-checked."""

    def __init__(self, data):
        self.data = data
        if self.u16(0) != 0x5A4D:
            raise PeError("no MZ header")
        pe = self.u32(0x3C)
        if self.bytes(pe, 4) != b"PE\0\0":
            raise PeError("no PE signature")
        sections = self.u16(pe + 6)
        optional_size = self.u16(pe + 20)
        optional = pe + 24
        magic = self.u16(optional)
        if magic == 0x10B:
            self.kind, directories = "PE32", optional + 96
        elif magic == 0x20B:
            self.kind, directories = "PE32+", optional + 112
        else:
            raise PeError("unknown optional header magic 0x%x" % magic)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            s = table + 40 * i
            virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", self.bytes(s + 8, 16))
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer, raw_size))
        self.resource_rva, self.resource_size = struct.unpack_from("<II", self.bytes(directories + 2 * 8, 8))
        if self.resource_rva == 0:
            raise PeError("no resource section")
        self.resource_base = self.offset(self.resource_rva)

    def bytes(self, offset, count):
        if offset < 0 or count < 0 or offset + count > len(self.data):
            raise PeError("read of %d bytes at 0x%x is outside the file" % (count, offset))
        return self.data[offset:offset + count]

    def u16(self, offset):
        return struct.unpack_from("<H", self.bytes(offset, 2))[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.bytes(offset, 4))[0]

    def offset(self, rva):
        for virtual_address, size, raw_pointer, raw_size in self.sections:
            if virtual_address <= rva < virtual_address + size and rva - virtual_address < raw_size:
                return raw_pointer + rva - virtual_address
        raise PeError("RVA 0x%x is in no section" % rva)

    def directory(self, offset):
        """Entries of the resource directory at a section-relative offset: [(key, is_dir, target)]."""
        at = self.resource_base + offset
        named, numbered = self.u16(at + 12), self.u16(at + 14)
        entries = []
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.bytes(at + 16 + 8 * i, 8))
            if name & 0x80000000:
                string = self.resource_base + (name & 0x7FFFFFFF)
                length = self.u16(string)
                key = self.bytes(string + 2, 2 * length).decode("utf-16-le")
            else:
                key = name
            entries.append((key, bool(target & 0x80000000), target & 0x7FFFFFFF))
        return entries

    def resources(self):
        """{(type, name): data} over every language of the tree (the first language wins)."""
        found = {}
        for type_key, type_is_dir, type_target in self.directory(0):
            if not type_is_dir:
                continue
            for name_key, name_is_dir, name_target in self.directory(type_target):
                if not name_is_dir:
                    continue
                for _, language_is_dir, entry in self.directory(name_target):
                    if language_is_dir:
                        continue
                    rva, size = struct.unpack_from("<II", self.bytes(self.resource_base + entry, 8))
                    found.setdefault((type_key, name_key), self.bytes(self.offset(rva), size))
        return found


def host_assets(exe):
    """The native build's assets folder, from the CMakeCache.txt above the executable."""
    directory = os.path.dirname(os.path.abspath(exe))
    while True:
        cache = os.path.join(directory, "CMakeCache.txt")
        if os.path.isfile(cache):
            with open(cache, encoding="utf-8", errors="replace") as f:
                for line in f:
                    if line.startswith("K417_HOST_DIR:"):
                        return os.path.join(line.split("=", 1)[1].strip(), "assets")
            return None
        parent = os.path.dirname(directory)
        if parent == directory:
            return None
        directory = parent


def ico_pictures(data):
    """The pictures of an .ico file in directory order."""
    if len(data) < 6 or struct.unpack_from("<HHH", data, 0)[:2] != (0, 1):
        raise PeError("the .ico file has no icon directory")
    pictures = []
    for i in range(struct.unpack_from("<H", data, 4)[0]):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        pictures.append(data[offset:offset + size])
    return pictures


def check(exe, pak_path, ico_path):
    problems = []
    with open(exe, "rb") as f:
        pe = Pe(f.read())
    resources = pe.resources()

    archive = resources.get(("FILESYSTEM", 102))
    if archive is None:
        problems.append("no resource 102 of type FILESYSTEM")
    elif pak_path is None or not os.path.isfile(pak_path):
        problems.append("the archive to compare with was not found (%s)" % pak_path)
    else:
        with open(pak_path, "rb") as f:
            expected = f.read()
        if archive != expected:
            problems.append("resource 102 (%d bytes) differs from %s (%d bytes)"
                            % (len(archive), pak_path, len(expected)))

    group = resources.get((RT_GROUP_ICON, 101))
    icons = []
    if group is None:
        problems.append("no icon group 101")
    elif len(group) < 6 or struct.unpack_from("<HH", group, 0) != (0, 1):
        problems.append("icon group 101 has no icon directory")
    else:
        count = struct.unpack_from("<H", group, 4)[0]
        if count == 0 or len(group) < 6 + 14 * count:
            problems.append("icon group 101 lists %d icons in %d bytes" % (count, len(group)))
        for i in range(count if len(group) >= 6 + 14 * count else 0):
            size, number = struct.unpack_from("<IH", group, 6 + 14 * i + 8)
            icon = resources.get((RT_ICON, number))
            if icon is None or len(icon) != size:
                problems.append("icon %d of group 101 is missing or not %d bytes" % (number, size))
            icons.append(icon)
        if ico_path and os.path.isfile(ico_path):
            with open(ico_path, "rb") as f:
                pictures = ico_pictures(f.read())
            if pictures != icons:
                problems.append("the icons of group 101 are not the pictures of %s" % ico_path)

    for problem in problems:
        print("FAIL: %s: %s" % (exe, problem))
    if not problems:
        print("%s (%s): FILESYSTEM 102 holds the archive (%d bytes); icon group 101 with %d icons"
              % (exe, pe.kind, len(archive), len(icons)))
    return not problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("exe")
    parser.add_argument("--pak")
    parser.add_argument("--ico")
    args = parser.parse_args()
    assets = host_assets(args.exe)
    pak = args.pak or (os.path.join(assets, "k417.pak") if assets else None)
    ico = args.ico or (os.path.join(assets, "k417.ico") if assets else None)
    try:
        ok = check(args.exe, pak, ico)
    except (PeError, OSError, struct.error) as error:
        print("FAIL: %s: %s" % (args.exe, error))
        ok = False
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
