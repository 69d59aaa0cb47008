#!/usr/bin/env bash
# Makes the zip files a Windows user downloads, one per Windows target, in build/dist:
#   Ostrya-VERSION-win32.zip (i686, the release build) and Ostrya-VERSION-win64.zip (x86_64).
# Each holds Ostrya.exe, ostrya-find.exe (stripped), a read-me and the licence texts of every
# library linked into them. VERSION is the CMake project version. Builds what is missing first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/deps.sh
source scripts/windows-targets.sh
mkdir -p build/dist

for target in win32 win64; do
  case "$target" in
    win32) arch=i686 arch_text="32-bit"
      note="This is the 32-bit build: it runs on every Windows, 32-bit and 64-bit." ;;
    win64) arch=x86_64 arch_text="64-bit"
      note="This is the 64-bit build: it needs a 64-bit Windows. The 32-bit build runs everywhere." ;;
  esac
  build_windows_quietly "$target" --target Ostrya ostrya-find
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "build/$target/CMakeCache.txt")
  [ -n "$version" ] || { echo "package.sh: no project version in build/$target" >&2; exit 1; }
  name="Ostrya-$version-$target"
  stage="build/dist/$name"
  rm -rf "$stage" "build/dist/$name.zip"
  mkdir -p "$stage/licenses"
  for program in Ostrya ostrya-find; do
    "$arch-w64-mingw32-strip" -o "$stage/$program.exe" "build/$target/$program.exe"
  done
  cp build/deps/"$arch"/licenses/*.txt "$stage/licenses/"
  # The C runtime start-up code and the threads library of the toolchain are linked in too.
  cp "/usr/share/doc/mingw-w64-${arch/_/-}-dev/copyright" "$stage/licenses/mingw-w64-runtime.txt"
  sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch_text/" -e "s/@ARCH_NOTE@/$note/" \
    packaging/README.txt >"$stage/README.txt"
  # Windows users read these in Notepad: CRLF line ends.
  for text in "$stage/README.txt" "$stage"/licenses/*.txt; do
    sed -i 's/\r\?$/\r/' "$text"
  done
  (cd build/dist && zip -qr -X "$name.zip" "$name")
  echo "build/dist/$name.zip"
done
