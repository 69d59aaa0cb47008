#!/usr/bin/env bash
# Runs the window program's tests under Wine on a display of their own:
#   run_with_display.sh UI_TESTS.exe Ostrya.exe [gtest options]
# Uses $DISPLAY when it is set; otherwise starts Xvfb on a free display and stops it after.
# A running Wine server must have been started on the same display.
# Exits 77 (skipped) when there is neither.
set -euo pipefail
tests=$1
program=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
eval "$(bash "$root/scripts/wine-prefix.sh")"
source "$root/scripts/display.sh"
start_display || exit 77
# Wine's background services keep the output of the first wine command: start them first.
wine cmd /c exit >/dev/null 2>&1
wine "$tests" "$(winepath -w "$program")" "$@"
