#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The program's start as a user meets it, one row per case. The notice that no face can draw
# Hangul, in the C and a Korean locale, with the machine's fonts (where fontconfig names the
# Korean families in Korean in a Korean locale) and with none (a font configuration of an empty
# folder), the font configuration read while the application starts and, with a launcher's
# start-up notification in the environment, when the window asks for its first font; each window
# paints its first frame and quits, on the offscreen platform. And the start without a display,
# plain and in Korean.
set -uo pipefail
program="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/no-fonts"
cat > "$work/no-fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig><dir>$work/no-fonts</dir><cachedir>$work/cache</cachedir></fontconfig>
CONF

english='No font with Hangul is installed'
korean='한글 글꼴이 설치되어 있지 않아'
failures=0
#      locale        fonts     launcher  the notice on stderr
while read -r locale fonts launcher notice; do
  fontconfig=()
  [ "$fonts" = none ] && fontconfig=(FONTCONFIG_FILE="$work/no-fonts.conf")
  startup=(-u DESKTOP_STARTUP_ID)
  [ "$launcher" = notifies ] && startup=(DESKTOP_STARTUP_ID=test_TIME0)
  err="$(env -u LANGUAGE -u LC_ALL -u LC_MESSAGES "${startup[@]}" LANG="$locale" \
         "${fontconfig[@]}" QT_QPA_PLATFORM=offscreen MPT_FIRST_PAINT_SINCE=1 \
         XDG_RUNTIME_DIR="$work" timeout 60 "$program" --dry-run 2>&1 >"$work/out")"
  code=$?
  grep -q '^first-paint-ms ' "$work/out" || code="$code, no frame painted"
  case "$notice" in
    none) ! grep -qe "$english" -e "$korean" <<<"$err" ;;
    english) grep -q "^mini-printer-test: $english" <<<"$err" ;;
    korean) grep -q "^mini-printer-test: $korean" <<<"$err" ;;
  esac
  ok=$?
  if [ "$code" != 0 ] || [ "$ok" -ne 0 ]; then
    echo "FAIL: LANG=$locale, fonts $fonts, launcher $launcher: exit $code, expected notice $notice; stderr:"
    printf '%s\n' "$err"
    failures=$((failures + 1))
  fi
done <<ROWS
C              system    none      none
ko_KR.UTF-8    system    none      none
C              none      none      english
ko_KR.UTF-8    none      none      korean
C              system    notifies  none
C              none      notifies  english
ROWS

# Without a display the window cannot start: one sentence and exit 1, not the toolkit's abort.
#      locale        DISPLAY   the sentence on stderr
while read -r locale display sentence; do
  err="$(env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
         LANG="$locale" DISPLAY="${display#-}" XDG_RUNTIME_DIR="$work" \
         timeout 60 "$program" --dry-run 2>&1 >/dev/null)"
  code=$?
  if [ "$code" -ne 1 ] || [ "$err" != "mini-printer-test: $sentence" ]; then
    echo "FAIL: LANG=$locale, DISPLAY=${display#-}: exit $code (expected 1); stderr:"
    printf '%s\n' "$err"
    failures=$((failures + 1))
  fi
done <<ROWS
C              -         no display: DISPLAY is not set; --run, --list and --decode work without one
C              :4093     no display: :4093 cannot be opened; --run, --list and --decode work without one
ko_KR.UTF-8    :4093     디스플레이 없음: :4093을(를) 열 수 없습니다; --run, --list, --decode는 디스플레이 없이 동작합니다
ROWS
[ "$failures" -eq 0 ] && echo "the start is right in every row"
[ "$failures" -eq 0 ]
