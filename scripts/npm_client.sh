#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the point-of-sale client library from the npm registry that
# tests/printer/npm_client_test.sh asks the virtual printer with, into .npm-client/ (ignored by
# git), where npm is installed; nothing where it is not, and nothing when it is there already. The
# registry is reached here (scripts/test.sh runs it before the build, for at most 2 minutes), never
# by the test, which is skipped without the library.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v npm >/dev/null || exit 0
[ -d .npm-client/node_modules/node-thermal-printer ] && exit 0
timeout 120 npm install --prefix .npm-client --no-audit --no-fund --silent node-thermal-printer@4.6.1 ||
  echo "npm could not install node-thermal-printer: the npm client test will be skipped" >&2
