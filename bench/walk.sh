#!/usr/bin/env bash
# The folder walk against find(1), which also reads every entry's size and time, on the same
# warm tree: ratio of median wall times (below 1 means ostrya-find is faster).
#   bench/walk.sh [TREE] [RUNS]      (default /usr, 7 runs; build/native must be built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=${1:-/usr}
runs=${2:-7}
finder="$root/build/native/ostrya-find"
[ -x "$finder" ] || { echo "build $finder first" >&2; exit 1; }

median_seconds() { # command... -> median wall time of $runs runs, output discarded
  local times=() i start end
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p" |
    awk '{ printf "%.3f", $1 / 1e6 }'
}

report() { # label, ostrya seconds, find seconds
  awk -v l="$1" -v o="$2" -v f="$3" \
    'BEGIN { printf "%-22s ostrya-find %6.3f s   find %6.3f s   ratio %.2f\n", l, o, f, o / f }'
}

# Warm the cache.
find "$tree" -printf '%s %T@ %p\n' >/dev/null 2>&1 || true
"$finder" --paths "" "$tree" >/dev/null 2>&1 || true

echo "tree $tree, $(find "$tree" 2>/dev/null | wc -l) entries, median of $runs runs"
o=$(median_seconds "$finder" --paths "*.h;*.txt" "$tree")
f=$(median_seconds find "$tree" '(' -iname '*.h' -o -iname '*.txt' ')' -printf '%s %T@ %p\n')
report '"*.h;*.txt"' "$o" "$f"
o=$(median_seconds "$finder" --paths "" "$tree")
f=$(median_seconds find "$tree" -printf '%s %T@ %p\n')
report 'match-all' "$o" "$f"
