#!/usr/bin/env bash
# Builds the window program and starts it under Wine: ./scripts/run.sh [FOLDER]
# A folder given on the command line becomes the look-in folder. The settings file Ostry.INI is
# written beside the program (build/win32). Needs a display ($DISPLAY).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CROSSCOMPILING_EMULATOR='env;LC_ALL=en_GB.UTF-8;wine' >/dev/null
cmake --build build/win32 -j"$(nproc)" --target Ostrya
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no display; set DISPLAY (for example to an Xvfb server) and try again" >&2
  exit 1
fi
eval "$(bash scripts/wine-prefix.sh)"
# Started with no output pipe attached to Wine's background services, so they cannot hold it.
wine cmd /c exit >/dev/null 2>&1
args=()
[ $# -gt 0 ] && args=("$(winepath -w "$1")")
wine build/win32/Ostrya.exe "${args[@]}"
