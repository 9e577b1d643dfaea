#!/usr/bin/env python3
"""Reads vorundel.exe's resources and imports back out of the built file:
the Japanese version block, the icon images, the manifest, the subsystem
and the DLLs it needs (only ones every Windows has). Works on the 64-bit
and the 32-bit build alike."""

import os
import re
import struct
import subprocess
import sys

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll",
               "msvcrt.dll", "ole32.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
               "uxtheme.dll", "oleaut32.dll", "version.dll"}
STRINGS = {
    "FileVersion": "1.00",
    "ProductVersion": "1.00",
    "FileDescription": "サスペンドから復帰後に指定したファイルを実行",
    "ProductName": "Vorundel",
    "LegalCopyright": "Copyright (c) 2026 The Vorundel authors",
}
# PE machine field: the build's name and the objdump that reads it.
MACHINES = {0x8664: ("x64", "x86_64-w64-mingw32-objdump"),
            0x14C: ("x86", "i686-w64-mingw32-objdump")}
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(*command):
    return subprocess.run(command, check=True, capture_output=True).stdout


def version_nodes(data, offset, end):
    """Yields (key, value bytes, children offset, node end) of a block."""
    while offset + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, offset)
        if length == 0:
            break
        node_end = offset + length
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6:key_end].decode("utf-16-le")
        value_start = (key_end + 2 + 3) & ~3
        value_size = value_length * (2 if kind == 1 else 1)
        value = data[value_start:value_start + value_size]
        children = (value_start + value_size + 3) & ~3
        yield key, kind, value, children, node_end
        offset = (node_end + 3) & ~3


def check_version(exe):
    data = run("wrestool", "-x", "--raw", "--type=16", exe)
    (root,) = list(version_nodes(data, 0, len(data)))
    key, _, fixed, children, end = root
    check(key == "VS_VERSION_INFO", "version block key")
    words = struct.unpack_from("<13I", fixed)
    check(words[0] == 0xFEEF04BD, "VS_FIXEDFILEINFO signature")
    check(words[2:4] == (0x00010000, 0), "FILEVERSION 1,0,0,0")
    check(words[4:6] == (0x00010000, 0), "PRODUCTVERSION 1,0,0,0")
    found = {}
    for key, _, _, table_start, table_end in version_nodes(data, children, end):
        if key != "StringFileInfo":
            continue
        for table, _, _, start, stop in version_nodes(data, table_start,
                                                      table_end):
            for name, _, value, _, _ in version_nodes(data, start, stop):
                found[(table, name)] = value.decode("utf-16-le").rstrip("\0")
    expected = {("041104B0", k): v for k, v in STRINGS.items()}
    check(found == expected, f"version strings: {found}")
    for (table, name), value in sorted(found.items()):
        print(f"{table} {name}: {value}")


def check_icon(exe):
    icon = run("wrestool", "-x", "--type=14", exe)
    listing = subprocess.run(["icotool", "-l", "-"], input=icon, check=True,
                             capture_output=True).stdout.decode()
    print(listing, end="")
    check("--width=32 --height=32 --bit-depth=8" in listing,
          "32x32 icon in 256 colours")
    check("--width=16 --height=16 --bit-depth=4" in listing,
          "16x16 icon in 16 colours")


def check_manifest(exe):
    manifest = run("wrestool", "-x", "--raw", "--type=24", "--name=1",
                   exe).decode()
    for needle in ('name="Microsoft.Windows.Common-Controls"',
                   'version="6.0.0.0"', "PerMonitorV2",
                   'level="asInvoker"',
                   "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                   "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"):
        check(needle in manifest, f"manifest holds {needle}")


def machine_of(exe):
    with open(exe, "rb") as f:
        data = f.read(4096)
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    check(data[pe:pe + 4] == b"PE\0\0", "PE signature")
    return struct.unpack_from("<H", data, pe + 4)[0]


def check_imports(exe, objdump):
    headers = run(objdump, "-p", exe).decode()
    dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", headers)}
    print("imports:", " ".join(sorted(dlls)))
    check(dlls <= SYSTEM_DLLS, f"non-system DLLs: {dlls - SYSTEM_DLLS}")
    check(re.search(r"Subsystem\s+00000002", headers) is not None,
          "GUI subsystem")
    # Wide-character API only: no ANSI form of a function of ours. The
    # statically linked runtime's own calls (winpthreads' unnamed events and
    # semaphores, start-up) are the only ones allowed.
    runtime = {"CreateEventA", "CreateSemaphoreA", "GetModuleHandleA",
               "LoadLibraryA", "GetStartupInfoA", "OutputDebugStringA"}
    names = set(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+A)$", headers, re.M))
    check(names <= runtime, f"ANSI functions imported: {names - runtime}")


def main():
    exe = sys.argv[1]
    machine = machine_of(exe)
    if machine not in MACHINES:
        print(f"FAILED: machine 0x{machine:x}")
        return 1
    name, objdump = MACHINES[machine]
    print(f"{name}: {os.path.getsize(exe)} bytes")
    check_version(exe)
    check_icon(exe)
    check_manifest(exe)
    check_imports(exe, objdump)
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
