#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds the console alone (not the tests or the benchmarks) and opens it. Arguments go
# to the console (--virtual, --dry-run, --trace F).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh --target mini-printer-test
exec "${MPT_BUILD_DIR:-build}/mini-printer-test" "$@"
