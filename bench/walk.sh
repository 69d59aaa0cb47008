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

source "$root/bench/lib.sh"

# Warm the cache.
find "$tree" -printf '%s %T@ %p\n' >/dev/null 2>&1 || true
"$finder" --paths "" "$tree" >/dev/null 2>&1 || true

echo "tree $tree, $(find "$tree" 2>/dev/null | wc -l) entries, median of $runs runs"
o=$(median_seconds "$finder" --paths "*.h;*.txt" "$tree")
f=$(median_seconds find "$tree" '(' -iname '*.h' -o -iname '*.txt' ')' -printf '%s %T@ %p\n')
ratio_line '"*.h;*.txt"' "$o" find "$f"
o=$(median_seconds "$finder" --paths "" "$tree")
f=$(median_seconds find "$tree" -printf '%s %T@ %p\n')
ratio_line 'match-all' "$o" find "$f"
