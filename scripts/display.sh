# Sourced by scripts that run Wine programs with windows. start_display uses $DISPLAY when it is
# set; otherwise it starts Xvfb on a free display, exports DISPLAY and stops Xvfb when the
# calling shell exits. Returns 1 when there is neither.
# Wine's desktop process takes the display of the first wine command of a server's life, so
# call this before any wine command.
start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  command -v Xvfb >/dev/null || return 1
  local n display=
  for n in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
  done
  [ -n "$display" ] || return 1
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  display_pid=$!
  trap 'kill "$display_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
  export DISPLAY=$display
}
