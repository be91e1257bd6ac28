#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The console with the virtual printer on a real X server of its own (Xvfb), no window manager,
# at SIZE (1024x768 unless told): both windows shown, wholly on the screen, neither over the
# other, and the keyboard focus on the console. Exits 77 when Xvfb or xdotool is missing.
#   virtual_windows_test.sh CONSOLE [SIZE]
set -euo pipefail
binary="$1"
size="${2:-1024x768}"
source "$(dirname "$0")/../support/xvfb.sh"
skip_without Xvfb xdotool
work="$(mktemp -d)"
xvfb=
console=
cleanup() {
  [ -n "$console" ] && kill -TERM "$console" 2>/dev/null && wait "$console" 2>/dev/null
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/console.log" ] && tail -n 20 "$work/console.log"; exit 1; }

start_xvfb "$work" "$size"

env -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" "$binary" --virtual --listen 127.0.0.1:0 \
  >"$work/console.log" 2>&1 &
console=$!
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true; }
for _ in $(seq 300); do
  main="$(window '^MINI PRINTER TEST PROGRAM$')"
  printer="$(window '^Virtual printer$')"
  [ -n "$main" ] && [ -n "$printer" ] && break
  kill -0 "$console" 2>/dev/null || fail "the console ended before its windows were shown"
  sleep 0.1
done
[ -n "$main" ] && [ -n "$printer" ] || fail "the windows were not shown"
sleep 1  # placed and painted

# X, Y, WIDTH, HEIGHT of a window on the screen.
geometry() {
  xdotool getwindowgeometry --shell "$1" |
    awk -F= '/^(X|Y|WIDTH|HEIGHT)=/ { printf "%s ", $2 }'
}
read -r mx my mw mh <<<"$(geometry "$main")"
read -r px py pw ph <<<"$(geometry "$printer")"
echo "screen $size: console ${mw}x${mh}+${mx}+${my}, printer ${pw}x${ph}+${px}+${py}"
sw="${size%x*}"
sh="${size#*x}"
for w in "$mx $my $mw $mh console" "$px $py $pw $ph printer"; do
  read -r x y width height name <<<"$w"
  ((x >= 0 && y >= 0 && x + width <= sw && y + height <= sh)) || fail "the $name runs off the screen"
done
if ((mx < px + pw && px < mx + mw && my < py + ph && py < my + mh)); then
  fail "the windows overlap"
fi
focus="$(xdotool getwindowfocus)"
[ "$focus" = "$main" ] || fail "the focus is on window $focus, not on the console ($main)"
echo "apart, the console has the focus"
