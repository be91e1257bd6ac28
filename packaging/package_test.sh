#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the console's Debian package from a build tree and judges it as Debian does: lintian
# may report no error, no warning and no info tag. Then installs it (and a plain `cmake
# --install`) into fresh directories, checks there the licence, the changelog, the AppStream
# metainfo and the icons, and runs the installed console. Exits 77 when the packaging tools are
# missing; fails when lintian or appstreamcli is (scripts/setup.sh installs both).
set -euo pipefail
build="$1"
source="$2"
appstream_id="$3"
hardening="$4"  # "hardened" when built with Debian's hardening flags
for tool in cpack dpkg-deb dpkg-shlibdeps dpkg-parsechangelog; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
for tool in lintian appstreamcli; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/setup.sh)"; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
expect_list() {
  local out
  out="$("$1" --list)"
  [ "$(printf '%s\n' "$out" | wc -l)" -eq 13 ] || fail "$1 --list: $out"
  printf '%s\n' "$out" | grep -qxF "$(printf 'cmddevice12\tQLX-610/650 USB(EPSON)')" ||
    fail "$1 --list lacks the USB button"
}
png_size() {  # width x height from the PNG's header chunk
  od -An -tu1 -j16 -N8 "$1" |
    awk '{ printf "%dx%d", (($1*256+$2)*256+$3)*256+$4, (($5*256+$6)*256+$7)*256+$8 }'
}
installed_files=(
  share/man/man1/mini-printer-test.1.gz
  share/applications/mini-printer-test.desktop
  "share/metainfo/$appstream_id.metainfo.xml"
  share/icons/hicolor/scalable/apps/mini-printer-test.svg
  share/doc/mini-printer-test/copyright
  share/doc/mini-printer-test/changelog.gz
)
for size in 48 64 128 256; do
  installed_files+=("share/icons/hicolor/${size}x$size/apps/mini-printer-test.png")
done

# cmake --install into a fresh prefix.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
expect_list "$work/prefix/bin/mini-printer-test"
for f in "${installed_files[@]}"; do
  [ -s "$work/prefix/$f" ] || fail "$f not installed"
done

# The Debian package and its control fields.
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb="$(ls "$work"/package/*.deb)"
version="$(dpkg-deb -f "$deb" Version)"
depends="$(dpkg-deb -f "$deb" Depends)"
recommends="$(dpkg-deb -f "$deb" Recommends)"
for needed in libqt6widgets6 libqt6gui6 libstdc++6; do
  case "$depends" in *"$needed"*) ;; *) fail "Depends lacks $needed: $depends";; esac
done
# libqt6gui6 brings the X11 and offscreen platform plugins; the Korean faces are recommended.
case "$depends" in *qt6-qpa-plugins*) fail "Depends names qt6-qpa-plugins: $depends";; esac
case "$recommends" in *fonts-nanum*) ;; *) fail "Recommends lacks fonts-nanum: $recommends";; esac
[ "$(dpkg-deb -f "$deb" Section)" = comm ] || fail "Section is not comm"

# lintian, as Debian runs it on every upload. Info tags fail too: one that must stay is to be
# explained in the README and allowed here.
allowed_info=()
# A build without the hardening flags (Debug, the sanitizers, -DMPT_HARDENING=OFF) is not one
# to release; there lintian's notes on the flags it lacks are expected.
if [ "$hardening" != hardened ]; then
  allowed_info+=(hardening-no-bindnow hardening-no-fortify-functions)
fi
lintian_rc=0
lintian --display-info --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || lintian_rc=$?
tags="$(grep -E '^[EWI]: ' "$work/lintian.log" || true)"
for tag in "${allowed_info[@]}"; do
  tags="$(printf '%s\n' "$tags" | grep -vE "^I: [^ ]+ $tag( |$)" || true)"
done
if [ "$lintian_rc" -ne 0 ] || [ -n "$tags" ]; then
  echo "FAIL: lintian (exit $lintian_rc):"
  cat "$work/lintian.log"
  exit 1
fi

# The package's files unpacked into a fresh root.
dpkg-deb -x "$deb" "$work/root"
root="$work/root/usr"
expect_list "$root/bin/mini-printer-test"
for f in "${installed_files[@]}"; do
  [ -s "$root/$f" ] || fail "$f not in the package"
done
[ "$(env -u DISPLAY "$root/bin/mini-printer-test" --version | head -n 1)" = "mini-printer-test $version" ] ||
  fail "--version does not say $version"

# The copyright file: machine-readable, naming the licence, with LICENSE's own text.
copyright="$root/share/doc/mini-printer-test/copyright"
head -n 1 "$copyright" |
  grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in the machine-readable format"
grep -qxF 'Files: *' "$copyright" || fail "the copyright file has no Files: * paragraph"
grep -qxE 'Copyright: [0-9]{4}.+' "$copyright" || fail "the copyright file names no holder"
awk '/^License: Expat$/ { text = 1; next } text && /^ / { print; next } { text = 0 }' \
  "$copyright" | sed -e 's/^ //' -e 's/^\.$//' >"$work/licence"
sed -n '/^Permission/,$p' "$source/LICENSE" | diff -u - "$work/licence" ||
  fail "the copyright file's licence text is not LICENSE's"

# The changelog: compressed, Debian's format, its newest entry the package's version.
zcat "$root/share/doc/mini-printer-test/changelog.gz" >"$work/changelog" ||
  fail "changelog.gz is not gzip"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$version" ] ||
  fail "the changelog's newest entry is not version $version"
zcat "$root/share/man/man1/mini-printer-test.1.gz" | grep -q '^\.TH MINI-PRINTER-TEST 1' ||
  fail "the manual page is not compressed troff"

# The AppStream metainfo, valid beside the desktop entry it launches; its newest release is this
# version. The icons in their sizes.
appstreamcli validate-tree --no-net --strict "$work/root" >"$work/appstream.log" 2>&1 ||
  { echo "FAIL: appstreamcli validate-tree:"; cat "$work/appstream.log"; exit 1; }
grep -o '<release version="[^"]*"' "$root/share/metainfo/$appstream_id.metainfo.xml" |
  head -n 1 | grep -qF "\"$version\"" || fail "the metainfo's newest release is not $version"
for size in 48 64 128 256; do
  got="$(png_size "$root/share/icons/hicolor/${size}x$size/apps/mini-printer-test.png")"
  [ "$got" = "${size}x$size" ] || fail "the ${size}x$size icon is $got"
done

# Where the package manager can tell, the dependencies are all to be had.
if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
  apt-get install --simulate --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
    { echo "FAIL: the package's dependencies cannot be met:"; cat "$work/apt.log"; exit 1; }
fi
echo "package $(basename "$deb"), $(stat -c %s "$deb") bytes: lintian clean, installed, ran" \
     "--list and --version; program $(stat -c %s "$root/bin/mini-printer-test") bytes;" \
     "Depends: $depends; Recommends: $recommends"
