#!/usr/bin/env bash
# Builds and runs the Linux edition of the client with the demo portal beside
# it (the portal stops when the client ends). Installs what is missing when
# run as root. Set PICTAVO_SERVICE=1 to run the client under the stand-in
# companion service, which prints every status record it receives. Set
# PICTAVO_PORTAL_URL to show another portal instead of the demo one.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
"$here/scripts/deps.sh" run
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target pictavo BrisvaneService pictavo-demo-portal

portal=
# A second start only hands over to the running client, whose portal is up
# already: then there is no portal to start.
if [ -z "${PICTAVO_PORTAL_URL:-}" ] && ! (exec 3<>/dev/tcp/127.0.0.1/17598) 2>/dev/null; then
  # Pictures are drawn on first start (a few seconds) and kept in the cache.
  build/linux/bin/pictavo-demo-portal &
  portal=$!
  trap 'kill "$portal" 2>/dev/null; wait "$portal" 2>/dev/null || true' EXIT
fi

if [ "${PICTAVO_SERVICE:-0}" = 1 ]; then
  build/linux/bin/BrisvaneService --hold-marker --launch "$here/build/linux/bin/pictavo"
else
  build/linux/bin/pictavo
fi
