#!/usr/bin/env bash
# Prepares the project's own Wine prefix under build/ (once) and prints the environment to use:
#   eval "$(scripts/wine-prefix.sh)"
# Settings: no crash dialog (a crash ends the process with an error instead of hanging), no
# window manager wait (Managed=N), 96 DPI, and the fonts of the fonts-wine package.
# OSTRYA_WINEPREFIX puts the prefix elsewhere (a fresh one, to check a first start).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix="${OSTRYA_WINEPREFIX:-$root/build/wineprefix}"
# The locale gives Wine the code pages of a Western European Windows: ANSI 1252, OEM 850.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32 \
  LC_ALL=en_GB.UTF-8

if [ ! -f "$prefix/.ostrya-ready" ]; then
  rm -rf "$prefix"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  wineserver -w
  if [ -d /usr/share/wine/fonts ]; then
    cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  touch "$prefix/.ostrya-ready"
fi
printf 'export WINEPREFIX=%q WINEDEBUG=-all WINEDLLOVERRIDES=%q WINEARCH=win32 LC_ALL=%q\n' \
  "$prefix" "mscoree,mshtml=" "en_GB.UTF-8"
