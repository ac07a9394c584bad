#!/usr/bin/env bash
# Builds both editions and runs every test tier: native, sanitizers, Windows
# under Wine, and short fuzzing runs. Installs what is missing when run as root.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
"$here/scripts/deps.sh" test

jobs=$(nproc)
xvfb() { xvfb-run -a -s "-screen 0 1280x800x24 -noreset" dbus-run-session -- "$@"; }

tier() {
  local preset=$1
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
}

tier linux
xvfb ctest --preset linux -j "$jobs" --timeout 600 -LE shell
echo "=== desktop shells"
shells_start=$SECONDS
ctest --preset linux --timeout 600 -L '^shell$' --output-on-failure
if [ "${PICTAVO_FULL:-}" = 1 ]; then
  ctest --preset linux --timeout 600 -L '^shell_full$' --output-on-failure
fi
echo "desktop shells: $((SECONDS - shells_start)) s"

tier linux-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset linux-asan -j "$jobs" --timeout 600

tier linux-tsan
TSAN_OPTIONS=halt_on_error=1 ctest --preset linux-tsan -j "$jobs" --timeout 600

tier win32
# Wine has every later function too, so only the shipped programs' imports can
# show that they load on Windows XP; the check first proves it can fail.
"$here/scripts/check-xp-imports.sh" --self-test
rm -f build/win32/Pictavo-*-win32.zip
cmake --build --preset win32 --target package
"$here/scripts/check-win32-package.sh" build/win32/Pictavo-*-win32.zip
export WINEPREFIX="$here/build/win32/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  # The registry reaches the disk only when wineboot's server ends.
  wineserver -w >/dev/null 2>&1 || true
fi
[ -f "$WINEPREFIX/system.reg" ] || { echo "Could not create the Wine prefix $WINEPREFIX" >&2; exit 1; }
# A persistent server makes each test program start in milliseconds. It
# answers 2 when one is already running, which is just as good.
wineserver -p >/dev/null 2>&1 </dev/null || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# Start Wine's own services now, detached from our output: started by the
# first test instead, they would keep ctest's output pipe open for good. They
# start on the X display the tests use: Wine's desktop process keeps the
# display it found, and without one no test could open a top-level window.
# The screen is large enough for the main window at 200 % (1790 x 1200), which
# the screenshot test shows at each scale.
xvfb-run -a -s "-screen 0 2560x1600x24 -noreset" dbus-run-session -- bash -c 'wineboot >/dev/null 2>&1 </dev/null || true
  exec ctest --preset win32 -j "$1" --timeout 600 </dev/null' wine-tier "$jobs"

if [ -x "$here/scripts/fuzz.sh" ]; then
  echo "=== fuzz"
  tier fuzz
  "$here/scripts/fuzz.sh" "${PICTAVO_FUZZ_SECONDS:-30}"
fi
echo "All test tiers passed."
