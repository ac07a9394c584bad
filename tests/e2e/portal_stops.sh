#!/usr/bin/env bash
# The portal ends in the middle of a transfer: no partial file, the wallpaper
# unchanged, and the client still running and rotating.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_setup portal_stops

start_portal --slow-bytes-per-second 20000 --slow-match fjord
fetch_picture dunes,1920,1080 a-dunes.jpg
fetch_picture night-lake,1920,1080 b-night-lake.jpg
# A rotation falls due about 25 s after the start.
write_config ChangeTime=1 LastChangeTime=$(($(local_now) - 35)) "WallPaper=$WALLPAPER_DIR/a-dunes.jpg"
start_service
start_client
find_window "$CLIENT_PID"
wait_gallery

click_thumb fjord
wait_until 30 'grep -q "^GET /pic/fjord,.* slow" "$PORTAL_LOG"' || fail "the pick did not reach the portal"
sleep 1
kill "$PORTAL_PID"
wait_until 20 '! ls "$WALLPAPER_DIR" | grep fjord >/dev/null' || fail "partial file left: $(ls "$WALLPAPER_DIR")"
[ "$(ini_value WallPaper)" = "$WALLPAPER_DIR/a-dunes.jpg" ] || fail "WallPaper changed to $(ini_value WallPaper)"
kill -0 "$CLIENT_PID" || fail "the client ended with the portal"
wait_until 60 '[ "$(ini_value WallPaper)" = "$WALLPAPER_DIR/b-night-lake.jpg" ]' || fail "no rotation after the failed pick"
wait_until 30 'desktop_shows "$WALLPAPER_DIR/b-night-lake.jpg"' || fail "the desktop does not show the rotated picture"
kill -0 "$CLIENT_PID" || fail "the client ended"
echo "portal stop ok"
