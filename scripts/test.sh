#!/usr/bin/env bash
# Runs every test: the native suite, the same suite under ThreadSanitizer, then the Windows
# build's suite under Wine. Installs what is missing first (scripts/deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

bash scripts/deps.sh

section() { printf '\n=== %s ===\n' "$*"; }

section "native build and tests"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs"
ctest --test-dir build/native --output-on-failure -j"$jobs"

section "ThreadSanitizer build and tests"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTRYA_SANITIZE=thread \
  >/dev/null
cmake --build build/tsan -j"$jobs"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -j"$jobs"

section "fuzz targets (libFuzzer, ASan and UBSan): the seeds, then a short run each"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTRYA_FUZZ=ON -DOSTRYA_TESTS=OFF -DOSTRYA_SANITIZE=address,undefined >/dev/null
cmake --build build/fuzz -j"$jobs"
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  scratch=$(mktemp -d)
  UBSAN_OPTIONS=halt_on_error=1 "$target" -max_total_time="${OSTRYA_FUZZ_SECONDS:-10}" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "$scratch" "fuzz/corpus/$name" \
    2>"build/fuzz/$name.log" || { tail -n 40 "build/fuzz/$name.log"; exit 1; }
  rm -rf "$scratch"
  echo "fuzz $name: no finding"
done

section "Windows build and tests under Wine"
eval "$(bash scripts/wine-prefix.sh)"
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CROSSCOMPILING_EMULATOR='env;LC_ALL=en_GB.UTF-8;wine' >/dev/null
cmake --build build/win32 -j"$jobs"
# Tests run with the code pages of a Western European Windows: ANSI 1252, OEM 850.
# A persistent server makes each test start in well under a second; it goes at the end.
# The window program's tests need a display, and Wine's desktop takes the display of the
# server's first program: start both in that order.
source scripts/display.sh
start_display || echo "no display: the window program's tests are skipped"
trap 'wineserver -k >/dev/null 2>&1 || true; kill "${display_pid:-}" 2>/dev/null || true' EXIT
wineserver -p >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1
ctest --test-dir build/win32 --output-on-failure
