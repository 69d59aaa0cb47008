# Sourced by the scripts that build or run the Windows programs. Two targets from the same
# sources: win32 (i686, the release build, under 32-bit Wine) and win64 (x86_64, under 64-bit
# Wine), built in build/win32 and build/win64.

# Why the i686 build cannot run on this machine; prints nothing when it can. Some kernels cannot
# execute 32-bit programs at all, and the registry does not always deliver 32-bit Wine.
win32_unavailable_reason() {
  if [ ! -x /usr/lib/wine/wine ]; then
    echo "32-bit Wine (wine32:i386) is not installed"
  elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "this machine cannot execute 32-bit programs"
  fi
}

# Configures and builds one target (extra arguments go to the build: --target NAME).
# build_windows_quietly keeps the output in build/TARGET.log and shows it only on failure.
build_windows_quietly() {
  mkdir -p build
  build_windows "$@" >"build/$1.log" 2>&1 || {
    tail -n 40 "build/$1.log" >&2
    echo "building the $1 target failed (log: build/$1.log)" >&2
    exit 1
  }
}
build_windows() {
  local target=$1 toolchain
  shift
  case "$target" in
    win32) toolchain=cmake/mingw-i686.cmake ;;
    win64) toolchain=cmake/mingw-x86_64.cmake ;;
  esac
  cmake --no-warn-unused-cli -S . -B "build/$target" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CROSSCOMPILING_EMULATOR="bash;$PWD/scripts/wine.sh;$target" >/dev/null &&
    cmake --build "build/$target" -j"$(nproc)" "$@"
}

# Starts a persistent Wine server for the target's prefix (after stopping a leftover one, whose
# presence makes `wineserver -p` fail) and Wine's background services, with no output pipe for
# them to hold. Call start_display first: Wine's desktop takes the display of the server's first
# program. stop_wine ends it.
start_wine() {
  local wine_env
  wine_env=$(bash scripts/wine-prefix.sh "$1")
  eval "$wine_env"
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  "$WINESERVER" -p >/dev/null 2>&1 || true
  "$OSTRYA_WINE" cmd /c exit >/dev/null 2>&1 || {
    echo "Wine ($OSTRYA_WINE) cannot run a program in $WINEPREFIX" >&2
    exit 1
  }
}
stop_wine() {
  if [ -n "${WINESERVER:-}" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true # fails when no server runs
  fi
}
