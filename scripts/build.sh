#!/usr/bin/env bash
# Configures and builds one of the two builds:
#   scripts/build.sh windows   -> build/windows (Zelk.exe, DLLs, tests for Wine)
#   scripts/build.sh native    -> build/native  (portable code and its tests, ASan+UBSan)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kind=${1:?usage: build.sh windows|native}
jobs=${ZELK_JOBS:-$(nproc)}
case "$kind" in
  windows)
    cmake -S "$root" -B "$root/build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" -DZELK_WERROR=ON >/dev/null
    ;;
  native)
    cmake -S "$root" -B "$root/build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DZELK_SANITIZE=ON -DZELK_WERROR=ON >/dev/null
    ;;
  *) echo "usage: build.sh windows|native" >&2; exit 2 ;;
esac
cmake --build "$root/build/$kind" -j "$jobs"
