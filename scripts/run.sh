#!/usr/bin/env bash
# Builds and runs the Linux edition of the client. The client starts the demo
# portal beside it by itself (and stops it when it ends), as the installed
# package does. Installs what is missing when run as root. Set
# PICTAVO_SERVICE=1 to run the client under the stand-in companion service,
# which prints every status record it receives. Set PICTAVO_PORTAL_URL to show
# another portal instead of the demo one.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
"$here/scripts/deps.sh" run
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target pictavo BrisvaneService pictavo-demo-portal

if [ "${PICTAVO_SERVICE:-0}" = 1 ]; then
  exec build/linux/bin/BrisvaneService --hold-marker --launch "$here/build/linux/bin/pictavo"
fi
exec build/linux/bin/pictavo
