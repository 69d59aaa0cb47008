#!/usr/bin/env bash
# Runs the window program's tests under Wine on a display of their own:
#   run_with_display.sh win64|win32 UI_TESTS.exe Ostrya.exe [gtest options]
# Uses $DISPLAY when it is set; otherwise starts Xvfb on a free display and stops it after.
# A running Wine server must have been started on the same display.
# Exits 77 (skipped) when there is neither.
set -euo pipefail
target=$1
tests=$2
program=$3
shift 3
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_env=$(bash "$root/scripts/wine-prefix.sh" "$target")
eval "$wine_env"
source "$root/scripts/display.sh"
start_display || exit 77
# Wine's background services keep the output of the first wine command: start them first.
"$OSTRYA_WINE" cmd /c exit >/dev/null 2>&1
"$OSTRYA_WINE" "$tests" "$("$OSTRYA_WINE" winepath -w "$program")" "$@"
