#!/usr/bin/env bash
# Builds and starts the program. Until the window program exists this is ostrya-find, the same
# search engine on the command line, on a default folder: ./scripts/run.sh [PATTERNS [LOOKIN]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CROSSCOMPILING_EMULATOR='env;LC_ALL=en_GB.UTF-8;wine' >/dev/null
cmake --build build/win32 -j"$(nproc)" --target ostrya-find
eval "$(bash scripts/wine-prefix.sh)"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# Started with no output pipe attached to Wine's background services, so they cannot hold it.
wine cmd /c exit >/dev/null 2>&1
LC_ALL=en_GB.UTF-8 wine build/win32/ostrya-find.exe --sort=name "${1:-*.exe;*.dll}" "${2:-C:\\windows}"
