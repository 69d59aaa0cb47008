#!/usr/bin/env bash
# Checks a download: unpacks the zip into an empty folder, checks that it holds the programs, the
# read-me and a licence text for each linked library, and runs ostrya-find.exe --help from it
# under the target's Wine.
#   bash tests/package_test.sh win32|win64 ZIP [--no-wine]
# --no-wine checks everything but the run, for a target this machine cannot execute.
set -euo pipefail
target=$1
zip=$(realpath "$2")
run=${3:-}
root=$(cd "$(dirname "$0")/.." && pwd)
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip" -d "$unpacked"
folder="$unpacked/$(basename "$zip" .zip)"
for file in Ostrya.exe ostrya-find.exe README.txt licenses/zlib.txt licenses/bzip2.txt \
  licenses/pcre2.txt licenses/libmspack.txt licenses/liblzma.txt licenses/libzstd.txt \
  licenses/libarchive.txt licenses/lhasa.txt \
  licenses/mingw-w64-runtime.txt; do
  [ -s "$folder/$file" ] || { echo "package: $file is missing from $(basename "$zip")"; exit 1; }
done
# Both programs carry the version resource (UTF-16 strings) and the manifest.
version=$(basename "$zip" .zip | cut -d- -f2)
for program in Ostrya.exe ostrya-find.exe; do
  python3 - "$folder/$program" "$version" <<'PY' || { echo "package: $program lacks its version resource or manifest"; exit 1; }
import sys
data = open(sys.argv[1], "rb").read()
texts = ["FileVersion", "ProductVersion", sys.argv[2]]
found = all(t.encode("utf-16-le") in data for t in texts)
sys.exit(0 if found and b'level="asInvoker"' in data else 1)
PY
done
if [ "$run" = --no-wine ]; then
  echo "package $(basename "$zip"): complete, versioned (not run: no Wine for $target here)"
  exit 0
fi
help=$(bash "$root/scripts/wine.sh" "$target" "$folder/ostrya-find.exe" --help 2>&1) ||
  { echo "$help"; echo "package: ostrya-find.exe --help failed"; exit 1; }
grep -q "PATTERNS" <<<"$help" || { echo "$help"; echo "package: no usage text"; exit 1; }
echo "package $(basename "$zip"): complete, versioned, ostrya-find.exe --help runs"
