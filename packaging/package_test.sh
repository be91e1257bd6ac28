#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the console's Debian package from a build tree, installs it (and a plain `cmake
# --install`) into fresh directories, and runs the installed console there. Exits 77 when the
# packaging tools are missing.
set -euo pipefail
build="$1"
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
expect_list() {
  local out
  out="$("$1" --list)"
  [ "$(printf '%s\n' "$out" | wc -l)" -eq 13 ] || { echo "FAIL: $1 --list: $out"; exit 1; }
  printf '%s\n' "$out" | grep -qxF "$(printf 'cmddevice12\tQLX-610/650 USB(EPSON)')" ||
    { echo "FAIL: $1 --list lacks the USB button"; exit 1; }
}

# cmake --install into a fresh prefix.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
expect_list "$work/prefix/bin/mini-printer-test"
for f in share/man/man1/mini-printer-test.1 share/applications/mini-printer-test.desktop \
         share/icons/hicolor/scalable/apps/mini-printer-test.svg; do
  [ -s "$work/prefix/$f" ] || { echo "FAIL: $f not installed"; exit 1; }
done

# The Debian package, its declared dependencies, and its files unpacked into a fresh root.
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb="$(ls "$work"/package/*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libqt6widgets6 libqt6gui6 libstdc++6 qt6-qpa-plugins fonts-nanum; do
  case "$depends" in *"$needed"*) ;; *) echo "FAIL: Depends lacks $needed: $depends"; exit 1;; esac
done
dpkg-deb -x "$deb" "$work/root"
expect_list "$work/root/usr/bin/mini-printer-test"
[ -s "$work/root/usr/share/man/man1/mini-printer-test.1" ] || { echo "FAIL: no manual page"; exit 1; }

# Where the package manager can tell, the dependencies are all to be had.
if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
  apt-get install --simulate --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
    { echo "FAIL: the package's dependencies cannot be met:"; cat "$work/apt.log"; exit 1; }
fi
echo "package $(basename "$deb"): installed and ran --list; Depends: $depends"
