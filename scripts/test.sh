#!/usr/bin/env bash
# Runs every test: the native suite, the same suite under ThreadSanitizer and under
# AddressSanitizer + UndefinedBehaviorSanitizer, the fuzz targets over their committed corpora and
# a short seeded run each, then the Windows builds' suites under Wine: the x86_64 build always,
# the i686 build where this machine can run 32-bit programs. Installs what is missing first
# (scripts/deps.sh). The same commit gives the same result: nothing here depends on chance.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

bash scripts/deps.sh
export OSTRYA_DEPS_READY=1
source scripts/windows-targets.sh
source scripts/display.sh

section() { printf '\n=== %s ===\n' "$*"; }

# The sanitizers' runtimes of these compilers abort on kernels that randomise mappings with more
# bits than they expect; they run without address randomisation where the kernel allows it.
no_aslr=()
setarch "$(uname -m)" -R true 2>/dev/null && no_aslr=(setarch "$(uname -m)" -R)

section "native build and tests"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs"
ctest --test-dir build/native --output-on-failure -j"$jobs"

section "ThreadSanitizer build and tests"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTRYA_SANITIZE=thread \
  >/dev/null
cmake --build build/tsan -j"$jobs"
TSAN_OPTIONS=halt_on_error=1 "${no_aslr[@]}" ctest --test-dir build/tsan --output-on-failure -j"$jobs"

# One clang tree serves both: the unit tests and the libFuzzer targets, all with ASan and UBSan.
section "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
CC=clang CXX=clang++ cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTRYA_FUZZ=ON -DOSTRYA_SANITIZE=address,undefined >/dev/null
cmake --build build/asan -j"$jobs"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
"${no_aslr[@]}" ctest --test-dir build/asan --output-on-failure -j"$jobs"

section "fuzz targets: the committed corpus, then a seeded run of ${OSTRYA_FUZZ_RUNS:=4000} inputs each"
for target in build/asan/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  log="build/asan/$name.log"
  scratch=$(mktemp -d)
  if ! { "${no_aslr[@]}" "$target" fuzz/corpus/"$name"/* &&
    "${no_aslr[@]}" "$target" -seed=1 -runs="$OSTRYA_FUZZ_RUNS" -reload=0 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=0 -artifact_prefix="$scratch/" \
      "$scratch" "fuzz/corpus/$name"; } >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz $name: finding in $scratch (log: $log)"
    exit 1
  fi
  rm -rf "$scratch"
  echo "fuzz $name: no finding"
done

# Tests run with the code pages of a Western European Windows: ANSI 1252, OEM 850. A persistent
# Wine server makes each test start in well under a second. The window program's tests need a
# display, and Wine's desktop takes the display of the server's first program: start the display
# first.
start_display || echo "no display: the window program's tests are skipped"
trap 'stop_wine; kill "${display_pid:-}" 2>/dev/null || true' EXIT
run_windows_suites() { # target
  start_wine "$1"
  ctest --test-dir "build/$1" --output-on-failure
  stop_wine
}

section "Windows x86_64 build and tests under 64-bit Wine"
build_windows win64
run_windows_suites win64
ran="x86_64 (win64)"

section "Windows i686 build (the release build)"
build_windows win32
reason=$(win32_unavailable_reason)
if [ -z "$reason" ]; then
  section "Windows i686 tests under 32-bit Wine"
  run_windows_suites win32
  ran="$ran and i686 (win32)"
else
  echo "the i686 build's tests are not run: $reason"
fi

section "packages: each zip unpacked and checked, its ostrya-find.exe run under Wine"
bash scripts/package.sh
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)
bash tests/package_test.sh win64 "build/dist/Ostrya-$version-win64.zip"
if [ -z "$reason" ]; then
  bash tests/package_test.sh win32 "build/dist/Ostrya-$version-win32.zip"
else
  bash tests/package_test.sh win32 "build/dist/Ostrya-$version-win32.zip" --no-wine
fi

section "summary"
echo "Windows suites run: $ran"
