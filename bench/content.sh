#!/usr/bin/env bash
# Content search against grep, ripgrep and ugrep on the same warm tree: a case-insensitive
# literal, a whole word, a regular expression and a hex string. One thread against grep,
# `rg -j1` and `ugrep -J1`; then the default thread counts of both against each other. Ratios of
# median wall times (below 1 means ostrya-find is faster).
#   bench/content.sh [TREE] [RUNS]      (default /usr/include, 7 runs; build/native must be built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=${1:-/usr/include}
runs=${2:-7}
finder="$root/build/native/ostrya-find"
[ -x "$finder" ] || { echo "build $finder first" >&2; exit 1; }
for tool in rg ugrep; do
  command -v $tool >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$([ $tool = rg ] && echo ripgrep || echo ugrep)" >/dev/null
done
source "$root/bench/lib.sh"
export LC_ALL=C

# Warm the cache.
grep -rli zzzz "$tree" >/dev/null 2>&1 || true

echo "tree $tree: $(find "$tree" -type f | wc -l) files, $(du -sh "$tree" | cut -f1); median of $runs runs"
bench() { # label, ostrya args, grep args, rg args (ugrep takes grep's)
  local label=$1 o g r u
  IFS='|' read -r -a ours <<<"$2"
  IFS='|' read -r -a theirs <<<"$3"
  IFS='|' read -r -a rgs <<<"$4"
  o=$(median_seconds "$finder" --threads 1 --paths "${ours[@]}")
  g=$(median_seconds grep -rl "${theirs[@]}" "$tree")
  r=$(median_seconds rg -j1 -l --no-ignore -uuu "${rgs[@]}" "$tree")
  u=$(median_seconds ugrep -J1 -rl "${theirs[@]}" "$tree")
  ratio_line "$label" "$o" grep "$g" "rg -j1" "$r" "ugrep -J1" "$u"
  o=$(median_seconds "$finder" --paths "${ours[@]}")
  r=$(median_seconds rg -l --no-ignore -uuu "${rgs[@]}" "$tree")
  u=$(median_seconds ugrep -rl "${theirs[@]}" "$tree")
  ratio_line "  threads $(nproc)" "$o" rg "$r" ugrep "$u"
}
bench "literal -i" "|$tree|PTHREAD_MUTEX" "-i|PTHREAD_MUTEX" "-i|-F|PTHREAD_MUTEX"
bench "whole word -i" "--whole-word||$tree|socket" "-i|-w|socket" "-i|-w|-F|socket"
bench "regex -i" "--regex||$tree|struct[ \t]+[a-z_]+_ops\\b" "-i|-P|struct[ \t]+[a-z_]+_ops\\b" \
  "-i|struct[ \t]+[a-z_]+_ops\\b"
bench "hex" "--hex||$tree|50 54 48 52 45 41 44" "-F|PTHREAD" "-F|PTHREAD"
