#!/usr/bin/env bash
# A portal pick end to end: the client, the demo portal and the stand-in
# service as real processes; a real pointer click on a thumbnail; then the
# variant for this screen is asked of the portal, lands in the wallpaper
# folder, is fitted when wider than the screen, shows on the root window, and
# the service hears of the new next change time.
# usage: pick.sh LABEL PICTURE EXPECTED_PATH (the screen is the display's)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
label=$1 picture=$2 expected=$3
e2e_setup "pick_$label"
read -r screen_w screen_h < <(xdotool getdisplaygeometry)

start_portal
write_config ChangeTime=60 LastChangeTime=$(($(local_now) - 600))
start_service
start_client
find_window "$CLIENT_PID"
wait_gallery
wait_until 20 '[ -n "$(service_times)" ]' || fail "no status record at start"
before=$(service_times | tail -1)
screenshot "pick_${label}_gallery.png"

click_thumb "$picture"
file=${expected##*/}
wait_until 60 '[ "$(ini_value WallPaper)" = "$WALLPAPER_DIR/$file" ]' || fail "WallPaper is '$(ini_value WallPaper)'"
[ -f "$WALLPAPER_DIR/$file" ] || fail "$file is not in the wallpaper folder"
[ "$(grep -c '^GET /pic/' "$PORTAL_LOG")" = 1 ] && grep -q "^GET $expected 200 " "$PORTAL_LOG" \
  || fail "asked the portal for: $(grep '^GET /pic/' "$PORTAL_LOG")"
cmp -s "$WALLPAPER_DIR/$file" "$E2E_PICTURES/$(basename "$(ls "$E2E_PICTURES"/"${file%.jpg}"* | head -1)")" \
  || [ "$file" = "$picture.jpg" ] || fail "the saved file differs from what the portal sent"

shown=$WALLPAPER_DIR/$file
width=$(/usr/bin/identify -format %w "$shown")
if [ "$width" -gt "$screen_w" ]; then
  wait_until 30 '[ -n "$(fitted_copy)" ]' || fail "no fitted copy of a picture wider than the screen"
  shown=$(fitted_copy)
  [ "$(/usr/bin/identify -format %w "$shown")" = "$screen_w" ] || fail "the fitted copy is not as wide as the screen"
else
  [ -z "$(fitted_copy)" ] || fail "a picture that fits was fitted"
fi
wait_until 30 'desktop_shows "$shown"' || fail "the desktop does not show $shown"
wait_until 20 '[ "$(service_times | tail -1)" -gt "$before" ]' || fail "the next change time did not move: $(service_times)"
wait_pick_shown
xdotool mousemove 0 0
screenshot "pick_${label}_desktop.png"
kill -0 "$CLIENT_PID" || fail "the client ended"
echo "pick ok: $expected"
