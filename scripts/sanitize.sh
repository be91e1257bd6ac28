#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the whole suite with clang under AddressSanitizer and UndefinedBehaviorSanitizer, with
# the fuzz targets, and runs it: every test, and each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export CC=clang CXX=clang++
MPT_BUILD_DIR="${MPT_BUILD_DIR:-build-asan}" scripts/build.sh -DMPT_BUILD_TESTS=ON -DMPT_SANITIZE=ON -DMPT_FUZZ=ON
root="$PWD"
cd "${MPT_BUILD_DIR:-build-asan}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_stack_use_after_return=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --output-on-failure -j "$(nproc)"
