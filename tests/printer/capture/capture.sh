#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Captures again the receipts two public receipt client libraries send (tests/printer/captures/):
# installs the libraries of package.json from the npm registry into a scratch directory that is
# removed afterwards, and runs capture.mjs there. Needs node and npm; the tests need neither, they
# read the captured files.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/../captures"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cp "$here/package.json" "$here/capture.mjs" "$scratch/"
(cd "$scratch" && npm install --no-audit --no-fund --silent >/dev/null && node capture.mjs "$out")
ls -l "$out"
