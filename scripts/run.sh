#!/usr/bin/env bash
# Builds the window program and starts it under Wine: bash scripts/run.sh [FOLDER]
# A folder given on the command line becomes the look-in folder. Runs the i686 build (the
# release build) where this machine can run 32-bit programs, the x86_64 build otherwise; its
# settings file Ostry.INI is written beside the program (build/win32 or build/win64).
# Without a display it runs the same search in ostrya-find.exe instead and prints the rows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh
source scripts/windows-targets.sh

target=win32
reason=$(win32_unavailable_reason)
if [ -n "$reason" ]; then
  target=win64
  echo "run.sh: running the x86_64 build ($reason)" >&2
fi
build_windows_quietly "$target" --target Ostrya ostrya-find
wine_env=$(bash scripts/wine-prefix.sh "$target")
eval "$wine_env"
# Started with no output pipe attached to Wine's background services, so they cannot hold it.
"$OSTRYA_WINE" cmd /c exit >/dev/null 2>&1 || { echo "run.sh: Wine cannot run programs" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ]; then
  folder=${1:-$root/src/search}
  echo "run.sh: no display, so the window cannot open; the same search in ostrya-find.exe:" >&2
  echo "  ostrya-find \"*.*\" $folder" >&2
  status=0
  "$OSTRYA_WINE" "build/$target/ostrya-find.exe" "*.*" "$("$OSTRYA_WINE" winepath -w "$folder")" ||
    status=$?
  cat >&2 <<TEXT
run.sh: to see the window, run this again on a display (set DISPLAY). Without one, the window
program's tests draw it on a virtual display (Xvfb) and save pictures of it, with results, an
open menu and a dialog, in build/$target/tests/screenshots:
  cmake --build build/$target --target ostrya_ui_tests
  bash tests/ui/run_with_display.sh $target build/$target/tests/ostrya_ui_tests.exe build/$target/Ostrya.exe
TEXT
  exit "$status"
fi
args=()
[ $# -gt 0 ] && args=("$("$OSTRYA_WINE" winepath -w "$1")")
"$OSTRYA_WINE" "build/$target/Ostrya.exe" "${args[@]}"
