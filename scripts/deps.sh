#!/usr/bin/env bash
# Installs everything the two builds and their tests need, on a fresh Debian bookworm machine,
# as root. Safe to run again: every step checks first and does nothing when it is done.
#   Debian packages: native toolchain and -dev libraries, the i686 mingw toolchain, Wine (i386), Xvfb.
#   Windows libraries: bzip2, PCRE2, lhasa, libmspack and libarchive cross-compiled from Debian
#   source packages into build/deps/i686 (zlib comes from Debian's mingw package).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
prefix="$root/build/deps/i686"
work="$root/build/deps/src"
host=i686-w64-mingw32
jobs=$(nproc)

log() { printf 'deps: %s\n' "$*" >&2; }

# --- Debian packages -------------------------------------------------------------------------

native_packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev python3
  zlib1g-dev libbz2-dev libpcre2-dev libarchive-dev libmspack-dev liblhasa-dev
  googletest clang libclang-rt-14-dev
)
windows_packages=(
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  libz-mingw-w64-dev wine wine32 xvfb x11-utils fonts-wine locales
)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || printf '%s\n' "$p"
  done
}

updated=0
apt_update_once() {
  if [ "$updated" = 0 ]; then
    apt-get update -qq
    updated=1
  fi
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  log "adding the i386 architecture (wine32)"
  dpkg --add-architecture i386
  updated=0
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
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its code pages from the locale (LC_ALL=en_GB.UTF-8: ANSI 1252, OEM 850) and needs
# that locale to exist, or it cannot name files outside ASCII on the Unix side.
if ! locale -a 2>/dev/null | grep -qix 'en_GB.utf8'; then
  log "generating the locale en_GB.UTF-8"
  sed -i 's/^# *\(en_GB.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^en_GB.UTF-8 UTF-8' /etc/locale.gen || echo 'en_GB.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

# --- Windows libraries from Debian source packages ---------------------------------------------

# Pinned so that the build is the same everywhere; these versions are known to download and build.
declare -A versions=(
  [bzip2]=1.0.8-5
  [pcre2]=10.42-1
  [lhasa]=0.3.1-4
  [libmspack]=0.11-1
  [libarchive]=3.6.2-1+deb12u5
)

fetch_source() { # package -> prints the unpacked source folder
  local pkg=$1 ver=${versions[$1]} dir
  dir="$work/$pkg"
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir" "$work/dl-$pkg"
    mkdir -p "$work/dl-$pkg"
    (cd "$work/dl-$pkg" && { apt-get source -qq --download-only "$pkg=$ver" >/dev/null 2>&1 ||
      { apt_update_once && apt-get source -qq --download-only "$pkg=$ver" >/dev/null; }; })
    dpkg-source -q -x "$work/dl-$pkg"/*.dsc "$dir" >/dev/null 2>&1
    touch "$dir/.unpacked"
  fi
  printf '%s\n' "$dir"
}

stamp() { printf '%s/.stamp-%s-%s' "$prefix" "$1" "${versions[$1]}"; }
done_already() { [ -f "$(stamp "$1")" ]; }
mark_done() { touch "$(stamp "$1")"; }

cross_cmake=(
  -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=i686
  -DCMAKE_C_COMPILER=$host-gcc-posix -DCMAKE_CXX_COMPILER=$host-g++-posix
  -DCMAKE_RC_COMPILER=$host-windres
  -DCMAKE_FIND_ROOT_PATH="$prefix;/usr/$host"
  -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER
  -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
  -DBUILD_SHARED_LIBS=OFF
)

build_bzip2() {
  local src
  src=$(fetch_source bzip2)
  make -C "$src" -s libbz2.a CC=$host-gcc-posix AR=$host-ar RANLIB=$host-ranlib \
    CFLAGS="-O2 -D_FILE_OFFSET_BITS=64" >/dev/null
  install -D -m644 "$src/libbz2.a" "$prefix/lib/libbz2.a"
  install -D -m644 "$src/bzlib.h" "$prefix/include/bzlib.h"
}

build_pcre2() {
  local src
  src=$(fetch_source pcre2)
  cmake -S "$src" -B "$work/pcre2-build" "${cross_cmake[@]}" -DPCRE2_BUILD_PCRE2_8=ON \
    -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF -DPCRE2_SUPPORT_JIT=ON \
    -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF >/dev/null
  cmake --build "$work/pcre2-build" -j"$jobs" >/dev/null
  cmake --install "$work/pcre2-build" >/dev/null
}

build_lhasa() {
  local src files f obj=()
  src=$(fetch_source lhasa)
  # The tarball has no configure script; the library is the SRC list of lib/Makefile.am.
  files=$(sed -n '/^SRC *=/,/^$/p' "$src/lib/Makefile.am" | tr -d '\\' | tr ' \t' '\n\n' |
    grep -E '\.c$')
  mkdir -p "$work/lhasa-build"
  for f in $files; do
    $host-gcc-posix -O2 -c "$src/lib/$f" -I"$src/lib" -I"$src/lib/public" \
      -o "$work/lhasa-build/${f%.c}.o"
    obj+=("$work/lhasa-build/${f%.c}.o")
  done
  rm -f "$work/lhasa-build/liblhasa.a"
  $host-ar rcs "$work/lhasa-build/liblhasa.a" "${obj[@]}"
  install -D -m644 "$work/lhasa-build/liblhasa.a" "$prefix/lib/liblhasa.a"
  mkdir -p "$prefix/include/liblhasa-1.0"
  cp "$src"/lib/public/*.h "$prefix/include/liblhasa-1.0/"
}

build_libmspack() {
  local src
  src=$(fetch_source libmspack)
  # Built with a 64-bit off_t inside its structs; consumers define _FILE_OFFSET_BITS=64 too.
  (cd "$src" && ./configure -q --host=$host --prefix="$prefix" --disable-shared --enable-static \
    CC=$host-gcc-posix CFLAGS="-O2 -D_FILE_OFFSET_BITS=64" >/dev/null &&
    make -s -j"$jobs" libmspack.la >/dev/null)
  install -D -m644 "$src/.libs/libmspack.a" "$prefix/lib/libmspack.a"
  install -D -m644 "$src/mspack/mspack.h" "$prefix/include/mspack.h"
}

build_libarchive() {
  local src
  src=$(fetch_source libarchive)
  local off=(ENABLE_OPENSSL ENABLE_MBEDTLS ENABLE_NETTLE ENABLE_CNG ENABLE_LZMA ENABLE_ZSTD
    ENABLE_LZ4 ENABLE_LZO ENABLE_LIBXML2 ENABLE_EXPAT ENABLE_ICONV ENABLE_ACL ENABLE_XATTR
    ENABLE_TAR ENABLE_CPIO ENABLE_CAT ENABLE_TEST ENABLE_LIBB2 ENABLE_WERROR)
  local args=() o
  for o in "${off[@]}"; do args+=("-D$o=OFF"); done
  cmake -S "$src" -B "$work/libarchive-build" "${cross_cmake[@]}" "${args[@]}" \
    -DPOSIX_REGEX_LIB=NONE -DENABLE_ZLIB=ON -DENABLE_BZip2=ON \
    -DZLIB_LIBRARY=/usr/$host/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$host/include \
    -DBZIP2_LIBRARIES="$prefix/lib/libbz2.a" -DBZIP2_INCLUDE_DIR="$prefix/include" >/dev/null
  cmake --build "$work/libarchive-build" --target archive_static -j"$jobs" >/dev/null
  # On Windows the static target is named libarchive_static.
  install -D -m644 "$work/libarchive-build/libarchive/libarchive_static.a" "$prefix/lib/libarchive.a"
  install -D -m644 "$src/libarchive/archive.h" "$prefix/include/archive.h"
  install -D -m644 "$src/libarchive/archive_entry.h" "$prefix/include/archive_entry.h"
}

mkdir -p "$prefix" "$work"
for pkg in bzip2 pcre2 lhasa libmspack libarchive; do
  if ! done_already "$pkg"; then
    log "cross-compiling $pkg ${versions[$pkg]} for $host"
    # Their compilers are chatty: keep the output in a log and show it only when a build fails.
    if ! "build_$pkg" >"$work/$pkg.log" 2>&1; then
      tail -n 40 "$work/$pkg.log" >&2
      log "building $pkg failed (log: $work/$pkg.log)"
      exit 1
    fi
    mark_done "$pkg"
  fi
done
log "ready"
