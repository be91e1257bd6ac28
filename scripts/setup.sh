#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what the console needs to build, run and test, where it is missing: Debian packages,
# through sudo when not run as root. Safe to run again; it installs nothing that is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config    # the build
  ccache                                          # the README test's clean copy reuses the build
  qt6-base-dev qt6-qpa-plugins libgl-dev          # Qt 6 Widgets, Network, Test, platform plugins
  libxcb1-dev                                     # X11 events: the window destroyed from outside
  libfontconfig-dev                               # the font configuration, read early at start-up
  qt6-l10n-tools qt6-tools-dev                    # lupdate and lrelease: the Korean translation
  qt6-translations-l10n                           # Qt's own texts (OK, Cancel) in Korean
  libgtest-dev                                    # GoogleTest
  libzint-dev                                     # the virtual printer draws bar codes and QR codes
  zbar-tools                                      # zbarimg reads them back in the tests
  zlib1g-dev                                      # the virtual printer's pictures written as PNG
  fonts-nanum                                     # Korean faces for the window's Hangul texts
  xvfb xauth xdotool xclip                        # a display, a mouse and a clipboard for window tests
  clang libclang-rt-dev                           # sanitizer and fuzzing build (scripts/sanitize.sh)
  dpkg-dev                                        # the Debian package (cpack, dpkg-shlibdeps) and
                                                  # the hardening flags (dpkg-buildflags)
  librsvg2-bin                                    # the icon's PNG sizes drawn from its SVG
  lintian appstream                               # the package and its metainfo judged as Debian does
  libxml2-utils                                   # xmllint: the runner's JUnit reports validated
  python3                                         # the sources' shape (scripts/check_structure.py)
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Please install as root: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The printer's texts become code page 949 through glibc's iconv.
if ! printf 'x' | iconv -f UTF-8 -t CP949 >/dev/null 2>&1; then
  echo "This system's iconv has no CP949 converter (glibc's gconv modules are missing)." >&2
  exit 1
fi
