#!/usr/bin/env bash
# The client on a 3840 x 2160 X screen at GDK_SCALE=2: the loading spinner,
# the title strip's buttons and icon are the copies with twice the pixels,
# drawn unscaled; a page that picks on load gets the 3840 x 2160 variant;
# after the screen's mode changes to 1920 x 1080 the next pick, in the same
# run, gets the 1920 x 1080 one. Needs a 3840 x 2160 screen.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
resources=$here/../../resources
picture=misty-forest
e2e_setup hidpi_x11
export GDK_SCALE=2
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
[ "$screen_w x $screen_h" = "3840 x 2160" ] || fail "needs a 3840 x 2160 screen, not $screen_w x $screen_h"
xdotool mousemove 0 0 # off the window: no button shows its hover frame

# look W H X Y: the screen's W x H rectangle at X, Y, into seen.png.
look() { /usr/bin/import -window root -crop "$1x$2+$3+$4" +repage "$WORK/seen.png"; }
# same FILE: what was last looked at is FILE (opaque), pixel for pixel.
same() { [ "$(/usr/bin/compare -metric AE -fuzz 3% "$1" "$WORK/seen.png" null: 2>&1)" = 0 ]; }
# over_background PICTURE CROP OUT: the CROP of PICTURE drawn on the window's colour.
over_background() {
  /usr/bin/convert "$1" -crop "$2" +repage -background '#EDEEF0' -flatten "$3"
}

export PICTAVO_STATUS_PORT=$(free_port) # no service: nobody else's hears of us
start_portal
start_pick_page "$picture" "$WORK/release"
start_client "$PAGE_URL"
find_window "$CLIENT_PID"
[ "$WIN_WIDTH x $WIN_HEIGHT" = "1790 x 1200" ] || fail "the window is $WIN_WIDTH x $WIN_HEIGHT, not 895 x 600 at scale 2"

# The page is held back, so the loading page shows: its spinner at twice the
# pixels, centred in the view (one of its eight frames).
/usr/bin/convert "$resources/LoadGif@2x.gif" -coalesce "$WORK/spinner-%d.png"
spin_x=$((WIN_X + (1790 - 94) / 2)) spin_y=$((WIN_Y + 54 + (1100 - 78) / 2))
spinning() {
  local f
  look 94 78 "$spin_x" "$spin_y"
  for f in "$WORK"/spinner-*.png; do
    same "$f" && return 0
  done
  return 1
}
wait_until 30 spinning || fail "the loading page does not show the spinner at twice the pixels"
/usr/bin/import -window root -crop "1790x1200+$WIN_X+$WIN_Y" +repage "$E2E_OUT/hidpi_loading.png"

over_background "$resources/btn_close@2x.png" 42x52+0+0 "$WORK/close.png"
over_background "$resources/btn_cfg@2x.png" 42x52+0+0 "$WORK/cfg.png"
over_background "$resources/icons/16x16@2/pictavo.png" 32x32+0+0 "$WORK/icon.png"
look 42 52 $((WIN_X + 2 * 868)) "$WIN_Y"
same "$WORK/close.png" || fail "the close button is not the 2x strip, unscaled"
look 42 52 $((WIN_X + 2 * 828)) "$WIN_Y"
same "$WORK/cfg.png" || fail "the settings button is not the 2x strip, unscaled"
look 32 32 $((WIN_X + 8)) $((WIN_Y + 8))
same "$WORK/icon.png" || fail "the title strip's icon is not the 2x one, unscaled"

touch "$WORK/release"
wait_variant "$picture" 3840 2160
wait_until 30 '[ "$(ini_value WallPaper)" = "$WALLPAPER_DIR/$picture,3840,2160.jpg" ]' \
  || fail "WallPaper is '$(ini_value WallPaper)'"
/usr/bin/import -window root -crop "1790x1200+$WIN_X+$WIN_Y" +repage "$E2E_OUT/hidpi_window.png"

# The monitor changes while the client runs: the next pick follows it.
output=$(xrandr --query | awk '/ connected/ { print $1; exit }')
xrandr --newmode 1920x1080 0 1920 1920 1920 1920 1080 1080 1080 1080
xrandr --addmode "$output" 1920x1080
xrandr --output "$output" --mode 1920x1080 --fb 1920x1080
xdotool mousemove $((WIN_X + 200)) $((WIN_Y + 200)) click 1
wait_variant "$picture" 1920 1080 2
kill -0 "$CLIENT_PID" || fail "the client ended"
echo "hidpi ok"
