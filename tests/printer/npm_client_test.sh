#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A point-of-sale client library from the npm registry asks the virtual printer its paper status
# over TCP (GS r 1) and gets the answer its switches give: loaded, near end, out, also while the
# printer takes no bytes. Skipped (77) where node or the library is not installed
# (scripts/npm_client.sh installs it before the build; the test itself needs no network).
#   npm_client_test.sh CONSOLE NODE_MODULES
set -uo pipefail
console=$1
modules=$2
command -v node >/dev/null || { echo "node is not installed: skipped"; exit 77; }
[ -d "$modules/node-thermal-printer" ] ||
  { echo "$modules/node-thermal-printer is not installed (scripts/npm_client.sh): skipped"; exit 77; }

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

client='
const { printer: ThermalPrinter, types } = require("node-thermal-printer");
const printer = new ThermalPrinter({ type: types.EPSON, interface: process.argv[1],
                                     options: { timeout: 3000 } });
(async () => {
  await printer.getStatus();
  const answer = await printer.execute({ waitForResponse: true });
  console.log(Buffer.from(answer).toString("hex"));
})().catch((error) => { console.error(error.message); process.exit(1); });'

failed=0
# switches at start : the paper sensor byte (bits 0-1 near end, bits 2-3 paper end)
for row in ":00" "near-end:03" "paper-out:0f" "cover-open,near-end:03"; do
  state=${row%%:*}
  want=${row##*:}
  QT_QPA_PLATFORM=offscreen "$console" --virtual --listen 127.0.0.1:0 --state "$state" \
    >/dev/null 2>"$work/err" &
  pid=$!
  for _ in $(seq 200); do grep -q 'tcp://' "$work/err" && break; sleep 0.05; done
  address=$(grep -o 'tcp://127\.0\.0\.1:[0-9]*' "$work/err")
  if [ -z "$address" ]; then
    echo "the virtual printer did not say where it listens:"; cat "$work/err"; exit 1
  fi
  got=$(NODE_PATH="$modules" timeout 20 node -e "$client" "$address")
  kill -TERM "$pid"
  wait "$pid"
  pid=
  if [ "$got" = "$want" ]; then
    echo "ok: --state '$state' answers $got"
  else
    echo "FAILED: --state '$state': the client got '$got', expected '$want'"
    failed=1
  fi
done
exit $failed
