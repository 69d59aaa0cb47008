#!/usr/bin/env bash
# Installs everything the builds and their tests need, on a fresh Debian bookworm machine, as
# root. Safe to run again: every step checks first and does nothing when it is done.
#   Debian packages: native toolchain and -dev libraries, the i686 and x86_64 mingw toolchains,
#   64-bit Wine, Xvfb; 32-bit Wine (wine32:i386) where the registry delivers it.
#   Windows libraries: bzip2, PCRE2, libmspack, liblzma, libzstd, libarchive and lhasa
#   cross-compiled from Debian source packages into
#   build/deps/i686 and build/deps/x86_64 (zlib comes from Debian's mingw package).
# Every failed step stops the script with a message; only 32-bit Wine is optional.
# OSTRYA_DEPS_READY=1 skips it all (set by a script that ran it already).
set -euo pipefail
shopt -s inherit_errexit
[ "${OSTRYA_DEPS_READY:-}" = 1 ] && exit 0

root=$(cd "$(dirname "$0")/.." && pwd)
work="$root/build/deps/src"
jobs=$(nproc)

log() { printf 'deps: %s\n' "$*" >&2; }
fail() {
  log "$*"
  exit 1
}

# --- Debian packages -------------------------------------------------------------------------

native_packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev python3
  zlib1g-dev libbz2-dev libpcre2-dev libmspack-dev liblzma-dev libzstd-dev libarchive-dev
  liblhasa-dev
  googletest clang libclang-rt-14-dev
)
windows_packages=(
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 xvfb x11-utils fonts-wine locales zip unzip
)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || printf '%s\n' "$p"
  done
}

# A registry index that fails to download (a mirror in the middle of a sync) leaves apt with the
# other indexes; what is missing then shows up as a package that cannot be installed.
updated=0
apt_update_once() {
  [ "$updated" = 1 ] && return 0
  updated=1
  apt-get update -qq >/dev/null 2>"$work/apt-update.log" ||
    log "warning: some package indexes failed to download; using the others" \
      "($(grep -m1 '^E:' "$work/apt-update.log" || echo 'see build/deps/src/apt-update.log'))"
}

mkdir -p "$work"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  log "adding the i386 architecture (for 32-bit Wine)"
  dpkg --add-architecture i386
fi

# deb-src entries, derived from the system's own sources (same URIs, suites and keys).
src_list=/etc/apt/sources.list.d/ostrya-deb-src.sources
if [ ! -f "$src_list" ]; then
  log "adding deb-src entries derived from the apt configuration"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -n 's/^Types:.*/Types: deb-src/; p' /etc/apt/sources.list.d/debian.sources >"$src_list"
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >/etc/apt/sources.list.d/ostrya-deb-src.list
    : >"$src_list"
  fi
fi

mapfile -t missing < <(missing_packages "${native_packages[@]}" "${windows_packages[@]}")
if [ "${#missing[@]}" -gt 0 ]; then
  log "installing: ${missing[*]}"
  apt_update_once
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    >"$work/apt-install.log" 2>&1 ||
    { tail -n 20 "$work/apt-install.log" >&2; fail "installing Debian packages failed"; }
fi

# 32-bit Wine runs the i686 build's tests. The i386 packages can lag their amd64 versions in the
# registry, and some kernels cannot execute 32-bit programs at all: then the tests run the x86_64
# build only.
if [ -n "$(missing_packages wine32:i386)" ]; then
  apt_update_once
  if DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends --no-remove \
    wine32:i386 \
    >"$work/apt-wine32.log" 2>&1; then
    log "installed wine32:i386"
  else
    log "wine32:i386 cannot be installed here ($(grep -m1 '^E:' "$work/apt-wine32.log" ||
      echo 'see build/deps/src/apt-wine32.log')); the i686 build's tests will not run"
  fi
fi

# Wine takes its code pages from the locale (LC_ALL=en_GB.UTF-8: ANSI 1252, OEM 850) and needs
# that locale to exist, or it cannot name files outside ASCII on the Unix side.
if ! locale -a 2>/dev/null | grep -qix 'en_GB.utf8'; then
  log "generating the locale en_GB.UTF-8"
  sed -i 's/^# *\(en_GB.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^en_GB.UTF-8 UTF-8' /etc/locale.gen || echo 'en_GB.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null || fail "locale-gen failed"
fi

# --- Windows libraries from Debian source packages ---------------------------------------------

# Pinned so that the build is the same everywhere; these versions are known to download and build.
# A version ending in '*' takes the newest security update of that release that the mirror
# holds: the mirror keeps only the newest, and the pin would break with the next one.
# Only what the programs link is built.
declare -A versions=(
  [bzip2]=1.0.8-5
  [pcre2]=10.42-1
  [libmspack]=0.11-1
  [xz-utils]=5.4.1-1+deb12u1
  [libzstd]=1.5.4+dfsg2-5
  [libarchive]='3.6.2-1+deb12u*'
  [lhasa]=0.3.1-4
)
libraries=(bzip2 pcre2 libmspack xz-utils libzstd libarchive lhasa)

newest_source_version() { # package prefix -> prints the newest version the index holds
  apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | grep -F "$2" | sort -V | tail -n 1
}
for pkg in "${libraries[@]}"; do
  want=${versions[$pkg]}
  [[ $want == *'*' ]] || continue
  found=$(newest_source_version "$pkg" "${want%\*}")
  if [ -z "$found" ]; then
    apt_update_once
    found=$(newest_source_version "$pkg" "${want%\*}")
  fi
  [ -n "$found" ] || fail "no source of $pkg $want in the apt index"
  versions[$pkg]=$found
done

# The unpacked source stays pristine: nothing is ever built inside it.
fetch_source() { # package -> prints the unpacked source folder
  local pkg=$1 ver=${versions[$1]} dir
  dir="$work/source-$pkg-$ver"
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir" "$work/dl-$pkg"
    mkdir -p "$work/dl-$pkg"
    (cd "$work/dl-$pkg" && { apt-get source -qq --download-only "$pkg=$ver" >/dev/null 2>&1 ||
      { apt_update_once && apt-get source -qq --download-only "$pkg=$ver" >/dev/null; }; })
    dpkg-source -q -x "$work/dl-$pkg"/*.dsc "$dir" >/dev/null
    touch "$dir/.unpacked"
  fi
  printf '%s\n' "$dir"
}

# Each build works on its own copy of the source, so that the two targets never share objects.
build_copy() { # package -> prints a fresh copy of its source for $host
  local copy="$work/$1-$host" source
  source=$(fetch_source "$1")
  rm -rf "$copy"
  cp -a "$source" "$copy"
  printf '%s\n' "$copy"
}

cross_cmake() {
  printf '%s\n' -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="${host%%-*}" \
    -DCMAKE_C_COMPILER="$host-gcc-posix" -DCMAKE_CXX_COMPILER="$host-g++-posix" \
    -DCMAKE_RC_COMPILER="$host-windres" -DCMAKE_FIND_ROOT_PATH="$prefix;/usr/$host" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF
}

build_bzip2() {
  local src
  src=$(build_copy bzip2)
  make -C "$src" -s libbz2.a CC="$host-gcc-posix" AR="$host-ar" RANLIB="$host-ranlib" \
    CFLAGS="-O2 -D_FILE_OFFSET_BITS=64"
  install -D -m644 "$src/libbz2.a" "$prefix/lib/libbz2.a"
  install -D -m644 "$src/bzlib.h" "$prefix/include/bzlib.h"
  install -D -m644 "$src/LICENSE" "$prefix/licenses/bzip2.txt"
}

build_pcre2() {
  local src
  src=$(build_copy pcre2)
  mapfile -t args < <(cross_cmake)
  cmake -S "$src" -B "$src/build" "${args[@]}" -DPCRE2_BUILD_PCRE2_8=ON \
    -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF -DPCRE2_SUPPORT_JIT=ON \
    -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF
  cmake --build "$src/build" -j"$jobs"
  cmake --install "$src/build"
  install -D -m644 "$src/LICENCE" "$prefix/licenses/pcre2.txt"
}

build_libmspack() {
  local src
  src=$(build_copy libmspack)
  # Built with a 64-bit off_t inside its structs; consumers define _FILE_OFFSET_BITS=64 too.
  (cd "$src" && ./configure -q --host="$host" --prefix="$prefix" --disable-shared \
    --enable-static CC="$host-gcc-posix" CFLAGS="-O2 -D_FILE_OFFSET_BITS=64")
  make -C "$src" -s -j"$jobs" libmspack.la
  install -D -m644 "$src/.libs/libmspack.a" "$prefix/lib/libmspack.a"
  install -D -m644 "$src/mspack/mspack.h" "$prefix/include/mspack.h"
  install -D -m644 "$src/COPYING.LIB" "$prefix/licenses/libmspack.txt"
}

# liblzma alone, without the xz tools.
build_xz-utils() {
  local src
  src=$(build_copy xz-utils)
  (cd "$src" && ./configure -q --host="$host" --prefix="$prefix" --disable-shared \
    --enable-static --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo \
    --disable-lzma-links --disable-scripts --disable-doc --disable-nls CC="$host-gcc-posix" \
    CFLAGS="-O2")
  make -C "$src/src/liblzma" -s -j"$jobs"
  make -C "$src/src/liblzma" -s install
  install -D -m644 "$src/COPYING" "$prefix/licenses/liblzma.txt"
}

build_libzstd() {
  local src
  src=$(build_copy libzstd)
  make -C "$src/lib" -s -j"$jobs" libzstd.a CC="$host-gcc-posix" AR="$host-ar" \
    ZSTD_LEGACY_SUPPORT=0 CFLAGS="-O2"
  install -D -m644 "$src/lib/libzstd.a" "$prefix/lib/libzstd.a"
  install -D -m644 "$src/lib/zstd.h" "$prefix/include/zstd.h"
  install -D -m644 "$src/lib/zstd_errors.h" "$prefix/include/zstd_errors.h"
  install -D -m644 "$src/LICENSE" "$prefix/licenses/libzstd.txt"
}

# The RAR readers only: no crypto, no other compressors, no tools. Without zlib, which RAR does
# not use, cmake 3.25 never reaches the ZLIB_WINAPI run test that crashes it for x86_64.
build_libarchive() {
  local src
  src=$(build_copy libarchive)
  mapfile -t args < <(cross_cmake)
  cmake -S "$src" -B "$src/build" "${args[@]}" -DENABLE_ZLIB=OFF \
    -DPOSIX_REGEX_LIB=NONE \
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_CNG=OFF \
    -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_BZip2=OFF \
    -DENABLE_LIBB2=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_ICONV=OFF \
    -DENABLE_ACL=OFF -DENABLE_XATTR=OFF -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF \
    -DENABLE_TEST=OFF -DENABLE_WERROR=OFF
  cmake --build "$src/build" --target archive_static -j"$jobs"
  install -D -m644 "$src/build/libarchive/libarchive_static.a" "$prefix/lib/libarchive.a"
  install -D -m644 "$src/libarchive/archive.h" "$prefix/include/archive.h"
  install -D -m644 "$src/libarchive/archive_entry.h" "$prefix/include/archive_entry.h"
  install -D -m644 "$src/COPYING" "$prefix/licenses/libarchive.txt"
}

# The library alone: the Debian tarball has no configure script, and the files of the SRC list
# in lib/Makefile.am are all it takes (its architecture files pick their side themselves).
build_lhasa() {
  local src file
  src=$(build_copy lhasa)
  mkdir -p "$src/objects"
  for file in $(sed -n '/^SRC[[:space:]]*=/,/^$/p' "$src/lib/Makefile.am" | grep -o '[a-z0-9_]*\.c'); do
    "$host-gcc-posix" -O2 -c "$src/lib/$file" -o "$src/objects/${file%.c}.o"
  done
  "$host-ar" rcs "$src/liblhasa.a" "$src"/objects/*.o
  install -D -m644 "$src/liblhasa.a" "$prefix/lib/liblhasa.a"
  for file in "$src"/lib/public/*.h; do
    install -D -m644 "$file" "$prefix/include/liblhasa-1.0/$(basename "$file")"
  done
  install -D -m644 "$src/COPYING" "$prefix/licenses/lhasa.txt"
}

for host in i686-w64-mingw32 x86_64-w64-mingw32; do
  prefix="$root/build/deps/${host%%-*}"
  mkdir -p "$prefix"
  # zlib comes from Debian's package; its licence travels with the others.
  install -D -m644 /usr/share/doc/libz-mingw-w64-dev/copyright "$prefix/licenses/zlib.txt"
  for pkg in "${libraries[@]}"; do
    stamp="$prefix/.built-$pkg-${versions[$pkg]}"
    [ -f "$stamp" ] && continue
    log "cross-compiling $pkg ${versions[$pkg]} for $host"
    # In a subshell outside any condition, so that set -e stops the build at its first failing
    # step. Compilers are chatty: the output goes to a log shown only when the build fails.
    set +e
    (
      set -e
      "build_$pkg"
    ) >"$work/$pkg-$host.log" 2>&1
    status=$?
    set -e
    if [ "$status" != 0 ]; then
      tail -n 40 "$work/$pkg-$host.log" >&2
      fail "building $pkg for $host failed (log: $work/$pkg-$host.log)"
    fi
    touch "$stamp"
  done
done
log "ready"
