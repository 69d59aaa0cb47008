#!/usr/bin/env bash
# A random fuzz campaign (the test command only replays the corpus and runs a seeded, bounded
# number of inputs):
#   bash scripts/fuzz.sh [TARGET] [SECONDS]
# TARGET is a name from fuzz/ without _fuzz (all targets when none is named, or when it is
# "all"); SECONDS per target, 600 by default. New coverage stays in build/fuzz-campaign/corpus;
# a crash, leak or time-out is written to build/fuzz-campaign/findings/TARGET.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
only=${1:-all}
seconds=${2:-600}

bash scripts/deps.sh
CC=clang CXX=clang++ cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTRYA_FUZZ=ON -DOSTRYA_SANITIZE=address,undefined >/dev/null
cmake --build build/asan -j"$(nproc)"

campaign=build/fuzz-campaign
found=0
ran=0
for target in build/asan/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  [ "$only" = all ] || [ "$only" = "$name" ] || continue
  ran=$((ran + 1))
  mkdir -p "$campaign/corpus/$name" "$campaign/findings/$name"
  echo "fuzz $name for $seconds s"
  if ! UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 "$target" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$campaign/findings/$name/" "$campaign/corpus/$name" "fuzz/corpus/$name" \
    >"$campaign/$name.log" 2>&1; then
    found=1
    tail -n 30 "$campaign/$name.log"
    echo "fuzz $name: finding in $campaign/findings/$name (log: $campaign/$name.log)"
  else
    grep -m1 'stat::number_of_executed_units' "$campaign/$name.log" || true
    echo "fuzz $name: no finding"
  fi
done
if [ "$ran" = 0 ]; then
  echo "fuzz.sh: no target named $only (see fuzz/*_fuzz.cpp)" >&2
  exit 2
fi
if [ "$found" = 1 ]; then
  cat <<'TEXT'
To keep a finding as a regression input: fix the fault, copy the file into fuzz/corpus/TARGET
under a name that says what it is, add a line for it to fuzz/REGRESSIONS.md (one sentence on
what it guards), and run `bash scripts/test.sh`, which replays every corpus.
TEXT
  exit 1
fi
