#!/usr/bin/env bash
# Runs a Windows program of one target under its own Wine and prefix:
#   bash scripts/wine.sh win64|win32 PROGRAM.exe [ARGUMENTS...]
# The exit status is the program's. The CMake builds use it as their cross-compiling emulator.
set -euo pipefail
target=$1
shift
eval "$(bash "$(dirname "$0")/wine-prefix.sh" "$target")"
exec "$OSTRYA_WINE" "$@"
