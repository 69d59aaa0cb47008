# Shared by the benchmarks: median wall time of repeated runs, and a ratio line.
# Set `runs` before use.

# Output goes to a file, not to /dev/null: some tools notice /dev/null and stop at the first
# match, as if asked only whether there is one.
bench_output=$(mktemp)
trap 'rm -f "$bench_output"' EXIT

median_seconds() { # command... -> median wall time of $runs runs, output discarded
  local times=() i start end
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >"$bench_output" 2>/dev/null || true
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p" |
    awk '{ printf "%.3f", $1 / 1e6 }'
}

ratio_line() { # label, our seconds, (tool name, tool seconds)...
  local label=$1 ours=$2
  shift 2
  printf '%-24s ostrya-find %7.3f s' "$label" "$ours"
  while [ $# -ge 2 ]; do
    awk -v n="$1" -v t="$2" -v o="$ours" 'BEGIN { printf "   %s %7.3f s (ratio %.2f)", n, t, o / t }'
    shift 2
  done
  printf '\n'
}
