#!/usr/bin/env python3
"""Reads vorundel.exe's resources and imports back out of the built file
(64-bit or 32-bit): the Japanese version block, the icon images, the
manifest, the subsystem and the DLLs it needs (only ones every Windows has)."""

import re
import struct
import subprocess
import sys

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll",
               "msvcrt.dll", "ole32.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
               "uxtheme.dll", "oleaut32.dll", "version.dll"}
STRINGS = {"FileVersion": "1.00", "ProductVersion": "1.00",
           "FileDescription": "サスペンドから復帰後に指定したファイルを実行",
           "ProductName": "Vorundel",
           "LegalCopyright": "Copyright (c) 2026 The Vorundel authors"}
# The statically linked runtime's own ANSI calls; ours are all wide.
RUNTIME_ANSI = {"CreateEventA", "CreateSemaphoreA", "GetModuleHandleA",
                "LoadLibraryA", "GetStartupInfoA", "OutputDebugStringA"}
OBJDUMP = {0x8664: "x86_64-w64-mingw32-objdump", 0x14C: "i686-w64-mingw32-objdump"}
exe = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def resource(*args):
    return subprocess.run(["wrestool", "-x", *args, exe], check=True,
                          capture_output=True).stdout


def nodes(data, offset, end):
    """(key, value, children offset, end) of each node of a version block."""
    while offset + 6 <= end and (length := struct.unpack_from("<H", data, offset)[0]):
        value_length, kind = struct.unpack_from("<HH", data, offset + 2)
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        start = (key_end + 5) & ~3
        value = data[start:start + value_length * (2 if kind == 1 else 1)]
        yield (data[offset + 6:key_end].decode("utf-16-le"), value,
               (start + len(value) + 3) & ~3, offset + length)
        offset = (offset + length + 3) & ~3


version = resource("--raw", "--type=16")
((root, fixed, children, end),) = nodes(version, 0, len(version))
words = struct.unpack_from("<6I", fixed)
check(root == "VS_VERSION_INFO" and words[0] == 0xFEEF04BD, "version block")
check(words[2:6] == (0x10000, 0, 0x10000, 0), "FILEVERSION, PRODUCTVERSION 1,0,0,0")
found = {(table, name): value.decode("utf-16-le").rstrip("\0")
         for key, _, start, stop in nodes(version, children, end) if key == "StringFileInfo"
         for table, _, first, last in nodes(version, start, stop)
         for name, value, _, _ in nodes(version, first, last)}
check(found == {("041104B0", k): v for k, v in STRINGS.items()}, f"strings {found}")

icons = subprocess.run(["icotool", "-l", "-"], input=resource("--type=14"),
                       check=True, capture_output=True).stdout.decode()
for size, depth in ((32, 8), (16, 4)):
    check(f"--width={size} --height={size} --bit-depth={depth}" in icons, f"{size} px icon")

manifest = resource("--raw", "--type=24", "--name=1").decode()
for needle in ('name="Microsoft.Windows.Common-Controls"', 'version="6.0.0.0"',
               "PerMonitorV2", 'level="asInvoker"',
               "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
               "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"):
    check(needle in manifest, f"manifest holds {needle}")

head = open(exe, "rb").read(4096)
pe = struct.unpack_from("<I", head, 0x3C)[0]
machine = struct.unpack_from("<H", head, pe + 4)[0]
check(head[pe:pe + 4] == b"PE\0\0" and machine in OBJDUMP, f"PE machine {machine:#x}")
headers = subprocess.run([OBJDUMP.get(machine, OBJDUMP[0x8664]), "-p", exe], check=True,
                         capture_output=True).stdout.decode()
dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", headers)}
check(dlls <= SYSTEM_DLLS, f"non-system DLLs: {dlls - SYSTEM_DLLS}")
check(re.search(r"Subsystem\s+00000002", headers), "GUI subsystem")
ansi = set(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+A)$", headers, re.M))
check(ansi <= RUNTIME_ANSI, f"ANSI functions imported: {ansi - RUNTIME_ANSI}")
print("\n".join(f"FAILED: {f}" for f in failures) or f"{exe}: all checks passed")
sys.exit(1 if failures else 0)
