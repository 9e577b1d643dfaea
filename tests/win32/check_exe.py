#!/usr/bin/env python3
"""Reads vorundel.exe's resources and imports back out of the built file
(64-bit or 32-bit): the Japanese version block, the icon images, the
manifest, the subsystem and the DLLs it needs (only ones every Windows has)."""

import re
import struct
import subprocess
import sys

SYSTEM_DLLS = {
    f"{n}.dll"
    for n in "advapi32 comctl32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32 uxtheme version".split()
}
STRINGS = {
    "FileVersion": "1.00",
    "ProductVersion": "1.00",
    "FileDescription": "サスペンドから復帰後に指定したファイルを実行",
    "ProductName": "Vorundel",
    "LegalCopyright": "Copyright (c) 2026 The Vorundel authors",
}
# The statically linked runtime's own ANSI calls; ours are all wide.
RUNTIME_ANSI = {
    "CreateEventA",
    "CreateSemaphoreA",
    "GetModuleHandleA",
    "LoadLibraryA",
    "GetStartupInfoA",
    "OutputDebugStringA",
}
exe, failures = sys.argv[1], []


def check(condition, what):
    if not condition:
        failures.append(what)


def resource(*args):
    wrestool = ["wrestool", "-x", *args, exe]
    return subprocess.run(wrestool, check=True, capture_output=True).stdout


version = resource("--raw", "--type=16")
words = struct.unpack_from(
    "<6I", version, version.index(b"\xbd\x04\xef\xfe")
)  # the signature
check(words[2:6] == (0x10000, 0, 0x10000, 0), "FILEVERSION, PRODUCTVERSION 1,0,0,0")
# Each string as key, NUL, padding, value, in the Japanese table.
text = version.decode("utf-16-le", errors="replace")
check("041104B0" in text, "Japanese string table")
for key, value in STRINGS.items():
    check(re.search(key + "\0+" + re.escape(value) + "\0", text), f"string {key}")

icons = subprocess.run(
    ["icotool", "-l", "-"], input=resource("--type=14"), check=True, capture_output=True
).stdout.decode()
for size, depth in ((32, 8), (16, 4)):
    check(
        f"--width={size} --height={size} --bit-depth={depth}" in icons,
        f"{size} px icon",
    )

manifest = resource("--raw", "--type=24", "--name=1").decode()
for needle in (
    'name="Microsoft.Windows.Common-Controls"',
    'version="6.0.0.0"',
    "PerMonitorV2",
    'level="asInvoker"',
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
    "<longPathAware",
):
    check(needle in manifest, f"manifest holds {needle}")

# The x86-64 objdump reads 32-bit images too.
headers = subprocess.run(
    ["x86_64-w64-mingw32-objdump", "-p", exe], check=True, capture_output=True
).stdout.decode()
check(
    re.search(r"file format pei-(x86-64|i386)$", headers, re.M),
    "a PE image of x86-64 or x86",
)
# Windows will not start an exe whose own identity names another machine.
own = re.search(r'name="Vorundel"[^>]*processorArchitecture="([^"]*)"', manifest)
arch = "amd64" if "file format pei-x86-64" in headers else "x86"
check(
    own and own[1] in (arch, "*"), f"manifest architecture {own and own[1]} for {arch}"
)
dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", headers)}
check(dlls <= SYSTEM_DLLS, f"non-system DLLs: {dlls - SYSTEM_DLLS}")
check(re.search(r"Subsystem\s+00000002", headers), "GUI subsystem")
ansi = set(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+A)$", headers, re.M))
check(ansi <= RUNTIME_ANSI, f"ANSI functions imported: {ansi - RUNTIME_ANSI}")
for failure in failures:
    print("FAILED:", failure)
if not failures:
    print(exe + ": all checks passed")
sys.exit(1 if failures else 0)
