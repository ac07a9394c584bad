#!/usr/bin/env bash
# Click to wallpaper through the real window: the Linux client, the demo
# portal and the stand-in service under Xvfb; a pointer click on a thumbnail,
# timed until the root window shows the picture. Median of RUNS (5) for the
# 1920 x 1080 variant (1920 x 1080 screen) and for the 7680 x 4320 one
# (7680 x 4320 screen). Pictures are drawn into the portal's cache first, so
# only the pick is timed.
# usage: bench/click_to_wallpaper.sh [build dir, default build/linux]
#   RUNS=5
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/linux}" && pwd)

if [ -z "${CLICK_BENCH_SCREEN:-}" ]; then
  for screen in 1920x1080 7680x4320; do
    CLICK_BENCH_SCREEN=$screen xvfb-run -a -s "-screen 0 ${screen}x24 -noreset" dbus-run-session -- \
      "$0" "$build" 2> >(grep -v -e dbus-daemon -e SpiRegistry -e xdg-desktop-portal -e pw.conf -e RealtimeKit -e PipeWire -e '^$' >&2)
  done
  exit 0
fi

E2E_BIN=$build/bin
source "$here/tests/e2e/lib.sh"
e2e_setup "bench_click_$CLICK_BENCH_SCREEN"
runs=${RUNS:-5}
read -r w h < <(xdotool getdisplaygeometry)
if [ "$w" = 7680 ]; then
  # Only one picture comes in 8K; another one in between changes the desktop back.
  picks=(alpine-dawn) resets=(aurora)
else
  picks=(dunes night-lake fjord aurora lavender-hills) resets=()
fi

start_portal
for name in "${picks[@]}" "${resets[@]}"; do
  curl -sf -o /dev/null "${PORTAL_URL}pic/$name,$w,$h.jpg" || true # draw it now, not while timed
done
write_config ChangeTime=60 LastChangeTime="$(local_now)"
start_service
start_client
find_window "$CLIENT_PID"
wait_gallery

now_ms() { date +%s%3N; }
# The file the pick should put on the desktop, as the portal sent it.
expected_file() {
  local f
  for f in "$E2E_PICTURES/$1,$w,$h.jpg" "$E2E_PICTURES/$1,1600,900.jpg"; do
    [ -f "$f" ] && { echo "$f"; return; }
  done
}
times=()
for run in $(seq "$runs"); do
  name=${picks[$(((run - 1) % ${#picks[@]}))]}
  if [ ${#resets[@]} -gt 0 ]; then
    click_thumb "${resets[0]}"
    wait_until 120 '[ "$(ini_value WallPaper)" = "$WALLPAPER_DIR/${resets[0]},1600,900.jpg" ]' || fail "reset pick"
    wait_until 60 'desktop_shows "$WALLPAPER_DIR/${resets[0]},1600,900.jpg"' || fail "reset not shown"
  fi
  file=$(expected_file "$name")
  [ -n "$file" ] || { curl -sf -o /dev/null "${PORTAL_URL}pic/$name,$w,$h.jpg"; file=$(expected_file "$name"); }
  want=$(file_pixel "$file" "$w" "$h" 10 10)
  close_rgb "$(screen_pixel 10 10)" "$want" 12 && fail "the desktop shows $name before the click"
  start=$(now_ms)
  click_thumb "$name"
  wait_until 120 'close_rgb "$(screen_pixel 10 10)" "$want" 12' || fail "$name never reached the desktop"
  times+=($(($(now_ms) - start)))
  echo "run $run: $name,$w,$h click to desktop $((${times[-1]})) ms"
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "screen ${w}x${h}: median of $runs click to wallpaper ${sorted[$((runs / 2))]} ms (min ${sorted[0]}, max ${sorted[-1]})"
