# SPDX-License-Identifier: MIT
# Sourced by the shell tests that drive real windows on an X server of their own.
#   skip_without TOOL...      exits 77 (skipped) when a tool is not installed
#   start_xvfb WORKDIR SIZE   starts Xvfb on a free display at SIZE (WIDTHxHEIGHT), leaves its
#                             process id in $xvfb and exports DISPLAY; calls the test's `fail`
#                             when it does not start. -noreset: the server would otherwise
#                             reset whenever its last client goes (an xdotool query, say), and a
#                             console connecting at that moment would find no server
#   stop_xvfb                 ends that Xvfb and waits until it is gone: one that is still
#                             exiting removes its socket, which may by then be the socket of the
#                             next test's server on the same display number
skip_without() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
}

start_xvfb() {
  local work="$1" size="$2"
  Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 "${size}x24" 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -n 1 "$work/display")"
}

stop_xvfb() {
  [ -n "${xvfb:-}" ] || return 0
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  xvfb=
}
