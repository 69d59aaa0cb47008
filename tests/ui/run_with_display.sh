#!/usr/bin/env bash
# Runs the window program's tests under Wine on a display of their own:
#   run_with_display.sh UI_TESTS.exe Ostrya.exe [gtest options]
# Uses $DISPLAY when it is set; otherwise starts Xvfb on a free display and stops it after.
# Exits 77 (skipped) when there is neither.
set -euo pipefail
tests=$1
program=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
eval "$(bash "$root/scripts/wine-prefix.sh")"
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || exit 77
  for n in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
  done
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
  export DISPLAY=$display
fi
# Wine's background services keep the output of the first wine command: start them first.
wine cmd /c exit >/dev/null 2>&1
wine "$tests" "$(winepath -w "$program")" "$@"
