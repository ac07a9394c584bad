#!/usr/bin/env bash
# A second pick while the first (7680 x 4320, sent slowly) is still arriving:
# only the second becomes the wallpaper, and nothing of the first is left.
# Needs a 7680 x 4320 screen.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_setup second_pick

start_portal --slow-bytes-per-second 150000 --slow-match 7680
write_config ChangeTime=60 LastChangeTime=$(($(local_now) - 600))
start_service
start_client
find_window "$CLIENT_PID"
wait_gallery

click_thumb alpine-dawn
wait_until 30 'grep -q "^GET /pic/alpine-dawn,7680,4320.jpg 200 [0-9]* slow" "$PORTAL_LOG"' || fail "the 8K variant was not asked for"
sleep 1.5 # well inside the transfer: under a megabyte at 150 kB/s
click_thumb aurora
second=$WALLPAPER_DIR/aurora,1600,900.jpg # no 8K of it: the first 16:9 entry
wait_until 30 '[ "$(ini_value WallPaper)" = "$second" ]' || fail "WallPaper is '$(ini_value WallPaper)'"
sleep 8 # past the time the first transfer would have needed
[ "$(ini_value WallPaper)" = "$second" ] || fail "the superseded pick took over: $(ini_value WallPaper)"
[ "$(ls "$WALLPAPER_DIR")" = "$(basename "$second")" ] || fail "left in the folder: $(ls "$WALLPAPER_DIR")"
wait_until 30 'desktop_shows "$second"' || fail "the desktop does not show the second pick"
kill -0 "$CLIENT_PID" || fail "the client ended"
echo "second pick ok"
