#!/usr/bin/env bash
# Prepares the project's own Wine prefix for one Windows target (once) and prints the
# environment to use with it:
#   wine_env=$(bash scripts/wine-prefix.sh win64) && eval "$wine_env"     # or win32
# (through a variable, so that a failure here stops the caller: eval "$(...)" would hide it)
# win64 runs the x86_64 build under 64-bit Wine, win32 the i686 build under 32-bit Wine; each
# has its own loader, server and prefix (build/wineprefix-TARGET), since /usr/bin/wine prefers
# the 32-bit loader whenever it is installed. $OSTRYA_WINE is the loader to run programs with.
# Settings: no crash dialog (a crash ends the process with an error instead of hanging), no
# window manager wait (Managed=N), 96 DPI, and the fonts of the fonts-wine package.
# OSTRYA_WINEPREFIX puts the prefixes elsewhere (OSTRYA_WINEPREFIX-TARGET: a fresh one, to
# check a first start).
set -euo pipefail
target=${1:?usage: wine-prefix.sh win32|win64}
root=$(cd "$(dirname "$0")/.." && pwd)
case "$target" in
  win64) loader=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64 ;;
  win32) loader=/usr/lib/wine/wine server=/usr/lib/wine/wineserver32 ;;
  *) echo "wine-prefix.sh: unknown target $target (win32 or win64)" >&2; exit 2 ;;
esac
[ -x "$loader" ] || { echo "wine-prefix.sh: $loader is missing (scripts/deps.sh installs it)" >&2; exit 1; }
prefix="${OSTRYA_WINEPREFIX:-$root/build/wineprefix}-$target"
# The locale gives Wine the code pages of a Western European Windows: ANSI 1252, OEM 850.
export WINEPREFIX="$prefix" WINEARCH="$target" WINELOADER="$loader" WINESERVER="$server" \
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=en_GB.UTF-8

if [ ! -f "$prefix/.ostrya-ready" ]; then
  rm -rf "$prefix"
  {
    "$loader" wineboot -i &&
      "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f &&
      "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f &&
      "$loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f &&
      "$server" -w
  } >"$prefix.log" 2>&1 || {
    tail -n 20 "$prefix.log" >&2
    echo "wine-prefix.sh: setting up the Wine prefix $prefix failed (log: $prefix.log)" >&2
    exit 1
  }
  if [ -d /usr/share/wine/fonts ]; then
    cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  touch "$prefix/.ostrya-ready"
fi
for name in WINEPREFIX WINEARCH WINELOADER WINESERVER WINEDEBUG WINEDLLOVERRIDES LC_ALL; do
  printf 'export %s=%q\n' "$name" "${!name}"
done
printf 'export OSTRYA_WINE=%q\n' "$loader"
