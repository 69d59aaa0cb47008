#!/usr/bin/env bash
# Runs a Windows program of one target under its own Wine and prefix:
#   bash scripts/wine.sh win64|win32 PROGRAM.exe [ARGUMENTS...]
# The exit status is the program's. The CMake builds use it as their cross-compiling emulator.
set -euo pipefail
target=$1
shift
wine_env=$(bash "$(dirname "$0")/wine-prefix.sh" "$target")
eval "$wine_env"
exec "$OSTRYA_WINE" "$@"
