#!/usr/bin/env python3
"""Checks the shipped binaries: they import system DLLs only, and Zelk.exe
carries the version 1.6.0.1 in its version resource."""
import re
import subprocess
import sys
from pathlib import Path

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "comctl32.dll",
    "ole32.dll", "oleaut32.dll", "advapi32.dll", "comdlg32.dll", "msvcrt.dll",
    "shlwapi.dll", "uuid.dll", "winspool.drv", "version.dll",
}


def imports(path: Path) -> list[str]:
    out = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(path)],
                         check=True, capture_output=True, text=True).stdout
    return [m.lower() for m in re.findall(r"DLL Name: (\S+)", out)]


def main() -> int:
    bin_dir = Path(sys.argv[1])
    failures = []
    for name in ("Zelk.exe", "ZIP32J.DLL", "UNLHA32.DLL"):
        path = bin_dir / name
        if not path.exists():
            failures.append(f"{name} is missing")
            continue
        foreign = [dll for dll in imports(path) if dll not in SYSTEM_DLLS]
        if foreign:
            failures.append(f"{name} imports non-system DLLs: {foreign}")
    exe = (bin_dir / "Zelk.exe").read_bytes() if (bin_dir / "Zelk.exe").exists() else b""
    for text in ("FileVersion", "1.6.0.1", "ProductVersion"):
        if text.encode("utf-16-le") not in exe:
            failures.append(f"Zelk.exe has no version string {text!r}")
    # FILEVERSION 1,6,0,1 in the fixed part: dwFileVersionMS 0x00010006, LS 0x00000001.
    if b"\xbd\x04\xef\xfe" not in exe or (b"\x06\x00\x01\x00\x01\x00\x00\x00" not in exe):
        failures.append("Zelk.exe has no fixed file version 1.6.0.1")
    for failure in failures:
        print("FAIL:", failure)
    checks = 3 + 4  # three binaries' imports, four version checks
    print(f"{checks - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
