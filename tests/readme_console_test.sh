#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's first command, run exactly as the README writes it, in a clean copy of the tree
# (the sources without any build), as a newcomer runs it: it must set up, build the console
# alone, and open the console with the virtual printer beside it. On an X server of its own:
#   - the console's window and the printer's window are shown;
#   - the program running is the one at build/mini-printer-test;
#   - no test program and no benchmark was built;
#   - a second start opens the windows again and builds nothing.
# Prints how long each start took to its windows. Exits 77 when Xvfb or xdotool is missing.
set -euo pipefail
source="$1"
deadline="${2:-480}"  # seconds a start may take to its windows, the build of the first included

source "$(dirname "$0")/support/xvfb.sh"
skip_without Xvfb xdotool
work="$(mktemp -d)"
xvfb=
console=
cleanup() {
  [ -n "$console" ] && kill -KILL "$console" 2>/dev/null
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/console.log" ] && tail -n 30 "$work/console.log"; exit 1; }

# The command as the README writes it: its first indented line, without the comment.
command="$(awk '/^    [^ ]/ { sub(/^ +/, ""); sub(/ +#.*$/, ""); print; exit }' "$source/README.md")"
[ -n "$command" ] || fail "the README has no indented command"
echo "README: $command"

# A clean copy: the files the repository holds or would hold, nothing built.
tree="$work/tree"
mkdir "$tree"
if git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
  git -C "$source" ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ -e "$source/$file" ] && printf '%s\0' "$file"; done |
    tar -C "$source" --null -T - -cf - | tar -C "$tree" -xf -
else
  tar -C "$source" --exclude='./build*' -cf - . | tar -C "$tree" -xf -
fi
[ ! -e "$tree/build" ] || fail "the copy is not clean"

start_xvfb "$work" 1366x768

shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# Starts the command in the copy and waits for both windows; the console's process id is left in
# $console.
start() {
  local began=$SECONDS
  (
    cd "$tree"
    # The environment of a newcomer: none of the console's own variables, the config elsewhere.
    unset MPT_BUILD_DIR MPT_LPT1 MPT_IO_TIMEOUT_MS QT_QPA_PLATFORM
    for name in $(compgen -v MPT_COM || true); do unset "$name"; done
    export XDG_CONFIG_HOME="$work/config"
    exec bash -c "$command"
  ) >>"$work/console.log" 2>&1 &
  console=$!
  until shown '^MINI PRINTER TEST PROGRAM$' && shown '^Virtual printer$'; do
    kill -0 "$console" 2>/dev/null || { wait "$console" || true; fail "\"$command\" ended before its windows were shown"; }
    ((SECONDS - began < deadline)) || fail "no windows after $deadline s"
    sleep 0.5
  done
  echo "$1: both windows shown after $((SECONDS - began)) s"
}

stop() {
  kill -TERM "$console"
  for _ in $(seq 100); do
    kill -0 "$console" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$console" 2>/dev/null && fail "the console did not end on SIGTERM"
  wait "$console" || true
  console=
}

start "first start"
program="$tree/build/mini-printer-test"
[ -x "$program" ] || fail "no program at build/mini-printer-test"
[ "$(readlink "/proc/$console/exe")" = "$program" ] ||
  fail "the process running is $(readlink "/proc/$console/exe"), not build/mini-printer-test"
built="$(find "$tree/build/tests" "$tree/build/bench" -type f -perm -u+x 2>/dev/null || true)"
[ -z "$built" ] || fail "tests or benchmarks were built: $built"
stop

# A second start builds nothing: no object, library, precompiled header or program is newer
# than the first start's build.
touch -r "$program" "$work/first-build"
start "second start"
rebuilt="$(find "$tree/build" -type f \( -name '*.o' -o -name '*.a' -o -name '*.gch' -o -name '*.qm' \
            -o -name mini-printer-test \) -newer "$work/first-build")"
[ -z "$rebuilt" ] || fail "the second start rebuilt: $rebuilt"
stop
echo "PASS"
