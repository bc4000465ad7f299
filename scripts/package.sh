#!/usr/bin/env bash
# Builds the Windows binaries and packs dist/Zelk-1.6.0.1-win64.zip with
# Zelk.exe, ZIP32J.DLL, UNLHA32.DLL and the Japanese and English readme.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" windows
name=Zelk-1.6.0.1-win64
stage="$root/dist/$name"
rm -rf "$stage" "$root/dist/$name.zip"
mkdir -p "$stage"
bin="$root/build/windows/bin"
cp "$bin/Zelk.exe" "$bin/ZIP32J.DLL" "$bin/UNLHA32.DLL" "$stage/"
x86_64-w64-mingw32-strip "$stage/Zelk.exe" "$stage/ZIP32J.DLL" "$stage/UNLHA32.DLL"
# Windows line ends for the readme files.
sed 's/$/\r/' "$root/docs/package/README-ja.txt" | iconv -f UTF-8 -t CP932 > "$stage/README-ja.txt"
sed 's/$/\r/' "$root/docs/package/README-en.txt" > "$stage/README-en.txt"
python3 "$root/tests/package/check_binaries.py" "$stage"
(cd "$root/dist" && zip -q -r -X "$name.zip" "$name")
echo "dist/$name.zip"
