#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and runs every test. Needs no display: the window tests run on Qt's offscreen
# platform and the screenshot test starts its own Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/npm_client.sh  # where node is installed: the library the npm client test asks with
scripts/build.sh -DMPT_BUILD_TESTS=ON
cd "${MPT_BUILD_DIR:-build}"
ctest --output-on-failure -j "$(nproc)"
