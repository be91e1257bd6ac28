#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures and builds into build/ (or $MPT_BUILD_DIR). Extra arguments go to CMake's configure.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${MPT_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
