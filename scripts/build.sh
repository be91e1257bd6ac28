#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures and builds into build/ (or $MPT_BUILD_DIR): every target, or only those named with
# --target NAME. Other arguments go to CMake's configure. Without any, a tree already configured
# is built as it is: the build configures itself again when a CMakeLists.txt has changed.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${MPT_BUILD_DIR:-build}"
targets=()
configure=()
while (($#)); do
  case "$1" in
    --target) targets+=(--target "$2"); shift 2 ;;
    *) configure+=("$1"); shift ;;
  esac
done
if ((${#configure[@]})) || [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja "${configure[@]}" >/dev/null
fi
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
