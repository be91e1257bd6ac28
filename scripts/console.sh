#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and opens the test console. Arguments go to the console (--dry-run, --trace F).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec "${MPT_BUILD_DIR:-build}/mini-printer-test" "$@"
