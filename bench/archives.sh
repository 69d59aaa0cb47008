#!/usr/bin/env bash
# Searching inside archives against the tools people use on the same warm data: listing a large
# tar, a large ISO 9660 image (Joliet) and a large ZIP (deflate) against bsdtar -tv, and
# containing-text searches through a folder of gzip and tar files and through a folder of ZIP
# files against single-threaded ugrep -z. Ratios of median wall times (below 1 means ostrya-find is faster).
#   bench/archives.sh [DATA] [RUNS]     (default build/bench-archives, 5 runs; build/native must be
#                                        built). The archives are made once in DATA and reused.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${1:-$root/build/bench-archives}
runs=${2:-5}
word=PTHREAD_MUTEX_INITIALIZER
finder="$root/build/native/ostrya-find"
[ -x "$finder" ] || { echo "build $finder first" >&2; exit 1; }
for tool in bsdtar:libarchive-tools xorriso:xorriso ugrep:ugrep zip:zip; do
  command -v "${tool%%:*}" >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${tool#*:}" >/dev/null
done
source "$root/bench/lib.sh"
export LC_ALL=C

# The same tree in every archive: /usr/include and /usr/share/doc. Each archive lies alone in
# its folder, since ostrya-find looks in folders.
mkdir -p "$data/tar" "$data/iso" "$data/zip"
if [ ! -s "$data/tar/tree.tar" ]; then
  echo "making $data/tar/tree.tar"
  tar -cf "$data/tar/tree.tar.part" -C /usr include -C /usr/share doc
  mv "$data/tar/tree.tar.part" "$data/tar/tree.tar"
fi
if [ ! -s "$data/iso/tree.iso" ]; then
  echo "making $data/iso/tree.iso"
  xorriso -as mkisofs -quiet -J -joliet-long -o "$data/iso/tree.iso.part" -graft-points \
    include=/usr/include doc=/usr/share/doc 2>/dev/null
  mv "$data/iso/tree.iso.part" "$data/iso/tree.iso"
fi
if [ ! -s "$data/zip/tree.zip" ]; then
  echo "making $data/zip/tree.zip"
  (cd /usr && zip -q -r -X "$data/zip/tree.zip.part" include)
  (cd /usr/share && zip -q -r -X "$data/zip/tree.zip.part" doc)
  mv "$data/zip/tree.zip.part" "$data/zip/tree.zip"
fi
# A folder of ZIP files: one per folder of /usr/include.
if [ ! -d "$data/zips" ]; then
  echo "making $data/zips"
  mkdir -p "$data/zips.part"
  for folder in /usr/include/*/; do
    name=$(basename "$folder")
    (cd /usr/include && zip -q -r -X "$data/zips.part/$name.zip" "$name")
  done
  mv "$data/zips.part" "$data/zips"
fi
# A folder of compressed and packed files: one tar per folder of /usr/include, every file at
# its top gzipped, and the gzip files of /usr/share/doc as they are.
if [ ! -d "$data/packed" ]; then
  echo "making $data/packed"
  mkdir -p "$data/packed.part"
  for folder in /usr/include/*/; do
    name=$(basename "$folder")
    tar -cf "$data/packed.part/$name.tar" -C /usr/include "$name"
  done
  find /usr/include -maxdepth 1 -type f -exec sh -c \
    'for f; do gzip -c "$f" >"$0/$(basename "$f").gz"; done' "$data/packed.part" {} +
  find /usr/share/doc -name '*.gz' -type f -exec sh -c \
    'for f; do cp "$f" "$0/$(echo "${f#/usr/share/doc/}" | tr / _)"; done' "$data/packed.part" {} +
  mv "$data/packed.part" "$data/packed"
fi

# Warm the cache.
cat "$data/tar/tree.tar" "$data/iso/tree.iso" "$data/zip/tree.zip" "$data/packed"/* \
  "$data/zips"/* >/dev/null

echo "tar $(du -h "$data/tar/tree.tar" | cut -f1) ($(bsdtar -tf "$data/tar/tree.tar" | wc -l)" \
  "entries), ISO $(du -h "$data/iso/tree.iso" | cut -f1), packed folder" \
  "$(ls "$data/packed" | wc -l) files $(du -sh "$data/packed" | cut -f1); median of $runs runs"
o=$(median_seconds "$finder" --archives --paths "" "$data/tar")
b=$(median_seconds bsdtar -tvf "$data/tar/tree.tar")
ratio_line "list tar" "$o" bsdtar "$b"
o=$(median_seconds "$finder" --archives --paths "" "$data/iso")
b=$(median_seconds bsdtar -tvf "$data/iso/tree.iso")
ratio_line "list ISO" "$o" bsdtar "$b"
o=$(median_seconds "$finder" --archives --paths "" "$data/zip")
b=$(median_seconds bsdtar -tvf "$data/zip/tree.zip")
ratio_line "list ZIP" "$o" bsdtar "$b"
o=$(median_seconds "$finder" --archives --paths "" "$data/packed" "$word")
u=$(median_seconds ugrep -z -r -i -l -J1 "$word" "$data/packed")
ratio_line "text in gzip and tar" "$o" ugrep "$u"
o=$(median_seconds "$finder" --archives --paths "" "$data/zips" "$word")
u=$(median_seconds ugrep -z -r -i -l -J1 "$word" "$data/zips")
ratio_line "text in ZIP" "$o" ugrep "$u"

# The DOS-era formats: every entry of one large archive decoded, against the reference tool's
# test of the same archive (decode and check, nothing written). ostrya-find looks for a word no
# entry holds, so that it decodes them all. The archives hold two large text files, the headers
# at the top of /usr/include and those of /usr/include/linux, each concatenated (arc slows down
# with many entries far more than with large ones).
absent=ostrya-finds-no-such-word
for tool in arc:arc nomarch:nomarch; do
  command -v "${tool%%:*}" >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${tool#*:}" >/dev/null
done
if [ ! -s "$data/dos-tree/linux.h" ]; then
  mkdir -p "$data/dos-tree"
  cat /usr/include/*.h >"$data/dos-tree/top.h"
  cat /usr/include/linux/*.h >"$data/dos-tree/linux.h"
fi
for method in crunched squashed; do
  if [ ! -s "$data/arc-$method/tree.arc" ]; then
    echo "making $data/arc-$method/tree.arc"
    mkdir -p "$data/arc-$method"
    option=a
    [ "$method" = squashed ] && option=aq
    (cd "$data/dos-tree" && arc "$option" "$data/arc-$method/tree.arc" top.h linux.h >/dev/null)
  fi
  o=$(median_seconds "$finder" --archives --paths "" "$data/arc-$method" "$absent")
  n=$(median_seconds nomarch -t "$data/arc-$method/tree.arc")
  a=$(median_seconds arc t "$data/arc-$method/tree.arc")
  ratio_line "decode ARC $method" "$o" nomarch "$n" arc "$a"
done

# ARJ, LHA, ZOO and ACE the same way, with the same two files. arj and jLHA write their
# archives; lhasa, which shares no code with jLHA, tests the LHA ones beside it. jLHA is called
# by that name, since lha may be either of the two.
for tool in arj:arj jlha:jlha-utils lhasa:lhasa lsar:unar unace:unace g++:g++; do
  command -v "${tool%%:*}" >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
      "${tool#*:}" >/dev/null
done
# -2d for DOS headers, as archives made on DOS have them and as the fixtures use; -y answers
# arj's questions.
for method in 1 4; do
  if [ ! -s "$data/arj-m$method/tree.arj" ]; then
    echo "making $data/arj-m$method/tree.arj"
    mkdir -p "$data/arj-m$method"
    rm -f "$data/arj-m$method/tree.arj.part"
    (cd "$data/dos-tree" &&
      arj a -2d -y "-m$method" "$data/arj-m$method/tree.arj.part" top.h linux.h >/dev/null)
    mv "$data/arj-m$method/tree.arj.part" "$data/arj-m$method/tree.arj"
  fi
  o=$(median_seconds "$finder" --archives --paths "" "$data/arj-m$method" "$absent")
  a=$(median_seconds arj t -y "$data/arj-m$method/tree.arj")
  ratio_line "decode ARJ -m$method" "$o" arj "$a"
done
# Header level 2 for both methods, so that only the method differs; jLHA writes -lh7- as well.
for method in lh5 lh7; do
  if [ ! -s "$data/lha-$method/tree.lzh" ]; then
    echo "making $data/lha-$method/tree.lzh"
    mkdir -p "$data/lha-$method"
    command=a2
    [ "$method" = lh7 ] && command=a2o7
    rm -f "$data/lha-$method/tree.lzh.part"
    (cd "$data/dos-tree" &&
      jlha "$command" "$data/lha-$method/tree.lzh.part" top.h linux.h >/dev/null)
    mv "$data/lha-$method/tree.lzh.part" "$data/lha-$method/tree.lzh"
  fi
  o=$(median_seconds "$finder" --archives --paths "" "$data/lha-$method" "$absent")
  j=$(median_seconds jlha t "$data/lha-$method/tree.lzh")
  l=$(median_seconds lhasa t "$data/lha-$method/tree.lzh")
  ratio_line "decode LHA -$method-" "$o" jlha "$j" lhasa "$l"
done
# No ZOO or ACE writer is packaged: the test tree's writers, built here as the fixture script
# builds them, make the archives. The ZOO one writes LZW itself and takes LZH (which is LHA's
# -lh5-) from a level 0 jLHA archive. The ACE tool packs both files with LZ77, the writer's
# default dictionary of 32 KiB, and 4 bytes after each name in the file headers, without which
# Debian's unace reads none; readers pass over them, so both sides read the same archive.
tools="$data/tools"
mkdir -p "$tools"
if [ ! -x "$tools/zoo_fixture_writer" ]; then
  g++ -std=c++20 -O2 -I"$root/tests" "$root/tests/tools/zoo_fixture_writer.cpp" \
    "$root/tests/zoo_writer.cpp" "$root/tests/zoo_lzw_encoder.cpp" -o "$tools/zoo_fixture_writer"
fi
if [ ! -x "$tools/ace_bench_writer" ]; then
  cat >"$tools/ace_bench_writer.cpp" <<'CPP'
// ace_bench_writer OUTPUT FILE...: the files, LZ77-packed, with 4 bytes after each name.
#include <fstream>
#include <iterator>
#include <string>

#include "ace_writer.h"

int main(int argc, char** argv) {
  using namespace ostrya::testing;
  AceArchive archive;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    AceMember member;
    member.name = argv[i];
    member.data.assign(std::istreambuf_iterator<char>(in), {});
    member.afterName = std::string(4, '\0');
    archive.members.push_back(member);
  }
  std::ofstream(argv[1], std::ios::binary) << aceArchive(archive);
  return 0;
}
CPP
  g++ -std=c++20 -O2 -I"$root/tests" -I"$root/src" "$tools/ace_bench_writer.cpp" \
    "$root/tests/ace_writer.cpp" "$root/tests/ace_lz77_encoder.cpp" \
    "$root/src/engines/ace/ace_prefix_code.cpp" -lz -o "$tools/ace_bench_writer"
fi
for method in lzw lzh; do
  if [ ! -s "$data/zoo-$method/tree.zoo" ]; then
    echo "making $data/zoo-$method/tree.zoo"
    mkdir -p "$data/zoo-$method"
    if [ "$method" = lzw ]; then
      entries=(1:top.h 1:linux.h)
    else
      rm -f "$tools/lh5-h0.lzh"
      (cd "$data/dos-tree" && jlha a0 "$tools/lh5-h0.lzh" top.h linux.h >/dev/null)
      entries=("2:top.h=$tools/lh5-h0.lzh" "2:linux.h=$tools/lh5-h0.lzh")
    fi
    (cd "$data/dos-tree" && "$tools/zoo_fixture_writer" "$data/zoo-$method/tree.zoo.part" \
      "${entries[@]}")
    mv "$data/zoo-$method/tree.zoo.part" "$data/zoo-$method/tree.zoo"
  fi
  o=$(median_seconds "$finder" --archives --paths "" "$data/zoo-$method" "$absent")
  l=$(median_seconds lsar -t "$data/zoo-$method/tree.zoo")
  ratio_line "decode ZOO $method" "$o" lsar "$l"
done
if [ ! -s "$data/ace-lz77/tree.ace" ]; then
  echo "making $data/ace-lz77/tree.ace"
  mkdir -p "$data/ace-lz77"
  (cd "$data/dos-tree" && "$tools/ace_bench_writer" "$data/ace-lz77/tree.ace.part" top.h linux.h)
  mv "$data/ace-lz77/tree.ace.part" "$data/ace-lz77/tree.ace"
fi
o=$(median_seconds "$finder" --archives --paths "" "$data/ace-lz77" "$absent")
u=$(median_seconds unace t -y "$data/ace-lz77/tree.ace")
ratio_line "decode ACE lz77" "$o" unace "$u"
