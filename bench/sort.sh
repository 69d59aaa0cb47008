#!/usr/bin/env bash
# Sorting a million rows: each mode's sort time and the memory it takes beyond the store, and
# the sort by name against sort(1) over the same names, read from a file (ratio of wall times;
# below 1 means the store sorts faster).
#   bench/sort.sh [ROWS]      (default 1000000; builds the benchmark in build/native)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rows=${1:-1000000}
cmake --build "$root/build/native" --target ostrya-sort-bench >/dev/null ||
  { echo "configure build/native first (see README)" >&2; exit 1; }
bench="$root/build/native/ostrya-sort-bench"
names=$(mktemp)
trap 'rm -f "$names"' EXIT

line=$("$bench" "$rows" name "$names")
echo "$line"
for mode in extension time size attributes type path; do "$bench" "$rows" "$mode"; done

# The same names by sort(1), case folded, against the store's sort by name.
ours=$(echo "$line" | awk '{ print $4 }')
start=$(date +%s%N)
LC_ALL=C sort -f "$names" >/dev/null
theirs=$(awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')
awk -v o="$ours" -v t="$theirs" -v n="$rows" 'BEGIN {
  printf "%d names: store sort %.3f s   sort -f %.3f s (ratio %.2f)\n", n, o, t, o / t }'
