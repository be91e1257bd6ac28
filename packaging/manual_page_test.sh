#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The manual page and the program's --help name the same options: each one --help mentions has
# its entry (.TP) under OPTIONS in the page, and the page has no entry for an option the program
# no longer knows. The page also points on (SEE ALSO).
set -euo pipefail
program="$1"
page="$2"

# --help in English, whatever the caller's locale; no display is needed for it.
help="$(env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C LANG=C LANGUAGE= "$program" --help)"
from_help="$(printf '%s\n' "$help" | grep -oE -- '--[a-z][a-z-]*' | sort -u)"
[ -n "$from_help" ] || { echo "FAIL: --help names no option"; exit 1; }

# The tag line after each .TP of the OPTIONS section, "\-" read as "-".
from_page="$(awk '/^\.SH/ { options = ($0 ~ /^\.SH +"?OPTIONS"?$/) } \
                  options && tag { print } { tag = ($0 ~ /^\.TP/) }' "$page" |
             sed 's/\\-/-/g' | grep -oE -- '--[a-z][a-z-]*' | sort -u)"

status=0
missing="$(comm -23 <(printf '%s\n' "$from_help") <(printf '%s\n' "$from_page"))"
extra="$(comm -13 <(printf '%s\n' "$from_help") <(printf '%s\n' "$from_page"))"
[ -z "$missing" ] || { echo "FAIL: in --help but without an entry in the manual page:" $missing; status=1; }
[ -z "$extra" ] || { echo "FAIL: an entry in the manual page but not in --help:" $extra; status=1; }
grep -qE '^\.SH +"?SEE ALSO"?$' "$page" || { echo "FAIL: the manual page has no SEE ALSO"; status=1; }
[ "$status" -ne 0 ] || echo "manual page: all $(printf '%s\n' "$from_help" | wc -l) options of --help have their entry"
exit "$status"
