#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Receipts as real client libraries send them (captures/NAME.bin), and the console's thermal page
# (corpus/NAME): the listing finds no unknown or cut-short command in them, --render draws them,
# and a real scanner (zbarimg) reads from the pictures exactly the data the sender put in each
# bar code and QR code (captures/NAME.codes, one a line). Skipped (77) without zbarimg.
# scan_captures.sh CONSOLE CAPTURES CORPUS OUT
set -uo pipefail
console="$1" captures="$2" corpus="$3" out="$4"
command -v zbarimg >/dev/null || { echo "zbarimg is not installed (Debian's zbar-tools)"; exit 77; }
failed=0
for codes in "$captures"/*.codes; do
  name="$(basename "$codes" .codes)"
  stream="$captures/$name.bin"
  [ -f "$stream" ] || stream="$corpus/$name"
  summary="$("$console" --decode "$stream" | tail -n 1)"
  if [[ "$summary" != *"unknown: 0, truncated: 0" ]]; then
    echo "$name: $summary"
    failed=1
  fi
  rm -rf "${out:?}/$name"
  if ! env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
    "$console" --render "$stream" --out "$out/$name" >/dev/null; then
    echo "$name: --render failed"
    failed=1
    continue
  fi
  read_back="$(zbarimg -q --raw "$out/$name"/*.png 2>/dev/null | sort)"
  if [ "$read_back" != "$(sort "$codes")" ]; then
    echo "$name: the scanner read"
    echo "$read_back"
    echo "where the sender sent"
    sort "$codes"
    failed=1
  else
    echo "$name: $(wc -l <"$codes") symbols read back as sent"
  fi
done
exit "$failed"
