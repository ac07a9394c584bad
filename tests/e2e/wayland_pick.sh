#!/usr/bin/env bash
# The client on a Wayland compositor with no X server at all: headless Weston
# with one 1920 x 1080 output at SCALE (or, with "second", the window on the
# second of two outputs). A page that picks on load must get the variant of
# the real pixels of the output showing the window (3840 x 2160 at scale 2),
# the picture lands in the wallpaper folder, and the client says once that it
# cannot set the wallpaper on this desktop.
# usage: wayland_pick.sh SCALE|second EXPECTED_WIDTH EXPECTED_HEIGHT
# A session bus of its own: the client is one instance per bus, and another
# test's client must not take this one's start for a second start.
if [ -z "${E2E_OWN_BUS:-}" ]; then
  export E2E_OWN_BUS=1
  exec dbus-run-session -- "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
scale=$1 width=$2 height=$3
picture=fjord
e2e_setup "wayland_$scale"
start_weston "$scale"
export PICTAVO_STATUS_PORT=$(free_port) # no service: nobody else's hears of us
start_portal
start_pick_page "$picture"
start_client "$PAGE_URL"

wait_variant "$picture" "$width" "$height"
file=$WALLPAPER_DIR/$picture,$width,$height.jpg
wait_until 30 '[ "$(ini_value WallPaper)" = "$file" ]' || fail "WallPaper is '$(ini_value WallPaper)'"
[ "$(/usr/bin/identify -format '%w %h' "$file")" = "$width $height" ] || fail "$file is not $width x $height"
[ "$(grep -c '^GET /pic/' "$PORTAL_LOG")" = 1 ] || fail "asked the portal for: $(grep '^GET /pic/' "$PORTAL_LOG")"
[ "$(grep -c '^Cannot set the wallpaper on this desktop (unnamed, Wayland)' "$WORK/client.log")" = 1 ] \
  || fail "the client should say once that it cannot set the wallpaper here: $(cat "$WORK/client.log")"
kill -0 "$CLIENT_PID" || fail "the client ended"
echo "wayland pick ok: $scale, $width x $height"
