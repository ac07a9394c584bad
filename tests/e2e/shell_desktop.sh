#!/usr/bin/env bash
# The client inside a real desktop shell started headless: at each of two
# screen sizes the client shows the demo gallery, a gallery picture is
# picked (a real click: xdotool on X11, Mutter's remote desktop interface on
# GNOME; sway, which takes no pointer from outside, gets a page that picks on
# load), and
# the shell's own screenshot shows the variant that fits the screen. Then the
# shell is started again (the next login), the client starts in the tray as
# its autostart entry starts it, rotates to the next picture at once, shows
# no window until it is started again from the menu, and the tray (or, with
# none, the minimise and close buttons) never loses the window.
# usage: shell_desktop.sh gnome|sway|xfce SIZE SIZE (WxH)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
SHELLS=$here/shells
source "$SHELLS/session.sh"
SHELL_KIND=$1 sizes=("$2" "$3")
if [ -n "${E2E_LANG:-}" ]; then
  export LANG=$E2E_LANG
  unset LC_ALL LANGUAGE
fi
# A picture of its own at each size: a desktop that already holds a path
# need not read it again.
pictures=(dunes fjord) second=night-lake
e2e_setup "shell_$SHELL_KIND"
trap shell_cleanup EXIT
export PICTAVO_STATUS_PORT=$(free_port) # no service: nobody else's hears of us
started=$SECONDS
start_portal
add_menu_entry

# The variant the real gallery's list gives a screen of W x H.
expected_variant() {
  case "$1" in
    1280x720) echo 1600,900 ;;
    1280x1024) echo 1280,1024 ;;
    *) echo "${1/x/,}" ;;
  esac
}

# The client's window as the shell has placed it: WIN_X, WIN_Y (visible only).
client_window() {
  case "$SHELL_KIND" in
    sway)
      local rect
      rect=$(swaymsg -t get_tree -r | /usr/bin/python3 -c '
import json, sys
def walk(n):
    if n.get("pid") == int(sys.argv[1]) and n.get("visible"):
        r, w = n["rect"], n["window_rect"]; print(r["x"] + w["x"], r["y"] + w["y"]); return True
    return any(walk(c) for c in n.get("nodes", []) + n.get("floating_nodes", []))
walk(json.load(sys.stdin))' "$CLIENT_PID")
      [ -n "$rect" ] && read -r WIN_X WIN_Y <<<"$rect"
      ;;
    gnome | kde) gnome_window "$SESSION/reference.png" ;;
    *)
      local geometry
      WINDOW=$(xdotool search --onlyvisible --pid "$CLIENT_PID" 2>/dev/null | head -1) && [ -n "$WINDOW" ] &&
        geometry=$(xdotool getwindowgeometry --shell "$WINDOW" 2>/dev/null) &&
        eval "$(printf '%s\n' "$geometry" | sed 's/^/WIN_/')"
      ;;
  esac
}

# GNOME and KWin tell nobody outside where windows are: the window is what
# differs from the screen as it was without it (REFERENCE), between the
# panels and below the notifications, 600 pixels up from its bottom edge.
gnome_window() {
  local box top=120 bottom=0
  [ "$SHELL_KIND" != kde ] || bottom=60 # Plasma's panel
  local height=$((SHELL_H - top - bottom))
  shell_shot "$SESSION/now.png" || return 1
  box=$(/usr/bin/convert "$1" "$SESSION/now.png" -compose difference -composite \
    -crop "${SHELL_W}x$height+0+$top" +repage -colorspace gray -threshold 8% -format %@ info: 2>/dev/null)
  [[ "$box" =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
  [ "${BASH_REMATCH[1]}" = 895 ] || return 1
  # Seen whole, it is exactly as tall as itself: no frame of the shell's.
  [ "${BASH_REMATCH[4]}" = 0 ] || [ $((BASH_REMATCH[4] + BASH_REMATCH[2])) = "$height" ] ||
    [ "${BASH_REMATCH[2]}" = 600 ] || return 1
  WIN_X=${BASH_REMATCH[3]} WIN_Y=$((top + BASH_REMATCH[4] + BASH_REMATCH[2] - 600))
}

# click X Y: a real press and release of the first button.
click() {
  if [ "$SHELL_KIND" = gnome ]; then
    "$SHELLS/gnome_input.py" click "$SHELL_W" "$SHELL_H" "$1" "$2"
  else
    xdotool mousemove "$1" "$2" sleep 0.2 click 1 sleep 0.2 mousemove 0 0
  fi
}

# window_shown PICTURE: the client's window is on the screen. GNOME says
# where windows are to nobody outside: there the screenshot differs from the
# wallpaper PICTURE, below the top bar, in an area of the window's size.
window_shown() {
  case "$SHELL_KIND" in
    gnome | kde)
      local differ crop=${SHELL_W}x$((SHELL_H - 120))+0+120
      shell_shot "$SESSION/window.png" || return 1
      /usr/bin/convert "$1" -resize "${SHELL_W}x${SHELL_H}!" -crop "$crop" +repage "$SESSION/desktop.png"
      /usr/bin/convert "$SESSION/window.png" -crop "$crop" +repage "$SESSION/window-part.png"
      differ=$(/usr/bin/compare -metric AE -fuzz 8% "$SESSION/desktop.png" "$SESSION/window-part.png" null: 2>&1 || true)
      [ "${differ%.*}" -gt $((895 * 400)) ] 2>/dev/null
      ;;
    *) client_window 2>/dev/null ;;
  esac
}

# shown_copy FILE: what the desktop shows for FILE (the fitted copy when it
# is wider than the screen).
shown_copy() {
  if [ "$(/usr/bin/identify -format %w "$1")" -gt "$SHELL_W" ]; then
    wait_until 30 '[ -n "$(fitted_copy)" ]' || fail "no fitted copy of $1"
    fitted_copy
  else
    echo "$1"
  fi
}

# What each client said, kept for the end: a critical fails the test, but
# only once everything else has been seen.
keep_client_log() { cat "$WORK/client.log" >>"$WORK/clients.log"; }

for i in 0 1; do
  size=${sizes[$i]} picture=${pictures[$i]}
  note "$SHELL_KIND at $size"
  t0=$SECONDS
  shell_start "$size"
  # The last picture stays where it was: a desktop that finds its picture
  # gone at login may clear the setting while the pick is under way.
  rm -rf "$XDG_CONFIG_HOME/Brisvane/Fitted"
  write_config ChangeTime=60 LastChangeTime=$(($(local_now) - 600))
  asked=$(grep -c '^GET /pic/' "$PORTAL_LOG" || true)
  thumbs=$(portal_requests /thumb/)
  variant=$(expected_variant "$size")
  [ "$SHELL_KIND" != gnome ] || shell_shot "$SESSION/reference.png"
  if [ "$SHELL_KIND" = sway ] || [ "$SHELL_KIND" = kde ]; then
    # No pointer reaches sway or KWin from outside: the gallery is shown, then a
    # page that picks on load stands in for the click.
    start_client
    wait_until 60 '[ "$(portal_requests /thumb/)" -ge $((thumbs + ${#E2E_GALLERY[@]})) ]' || fail "the gallery did not load"
    sleep 2
    shell_shot "$E2E_OUT/shell_${SHELL_KIND}_${size}_gallery.png"
    kill "$CLIENT_PID"
    wait "$CLIENT_PID" 2>/dev/null || true
    keep_client_log
    start_pick_page "$picture"
    start_client "$PAGE_URL"
    # The page offers 16:9 variants only.
    variant=$(case "$size" in 1280x720) echo 1920,1080 ;; *) echo "${size/x/,}" ;; esac)
  else
    start_client
    wait_until 30 client_window || fail "no window of the client"
    wait_until 60 '[ "$(portal_requests /thumb/)" -ge $((thumbs + ${#E2E_GALLERY[@]})) ]' || fail "the gallery did not load"
    want=$(file_pixel "$E2E_PICTURES/thumbs/${E2E_GALLERY[0]}.jpg" 200 112 100 30)
    wait_until 30 'shell_shot "$SESSION/gallery.png" && close_rgb "$(shot_pixel "$SESSION/gallery.png" $((WIN_X + 124)) $((WIN_Y + E2E_VIEW_TOP + 78)))" "$want" 16' \
      || fail "the gallery is not on the screen"
    cp "$SESSION/gallery.png" "$E2E_OUT/shell_${SHELL_KIND}_${size}_gallery.png"
    for n in "${!E2E_GALLERY[@]}"; do
      [ "${E2E_GALLERY[$n]}" = "$picture" ] && break
    done
    click $((WIN_X + 24 + (n % 4) * 216 + 100)) $((WIN_Y + E2E_VIEW_TOP + 48 + (n / 4) * 146 + 56))
  fi
  wait_until 60 '[ "$(grep -c "^GET /pic/" "$PORTAL_LOG")" -gt "$asked" ]' || fail "no pick reached the portal"
  got=$(grep '^GET /pic/' "$PORTAL_LOG" | sed -n "$((asked + 1))p")
  [[ "$got" == "GET /pic/$picture,$variant.jpg 200 "* ]] || fail "the portal was asked for $got, not $picture,$variant"
  file=$WALLPAPER_DIR/$picture,$variant.jpg
  wait_until 30 '[ "$(ini_value WallPaper)" = "$file" ]' || fail "WallPaper is '$(ini_value WallPaper)'"
  desktop_shown "$(shown_copy "$file")" || fail "$SHELL_KIND at $size does not show $file: $(tail -5 "$WORK/client.log")"
  cp "$SESSION/shot.png" "$E2E_OUT/shell_${SHELL_KIND}_${size}.png"
  note "$SHELL_KIND at $size shows $picture,$variant ($((SECONDS - t0)) s)"
  kill "$CLIENT_PID"
  wait "$CLIENT_PID" 2>/dev/null || true
  keep_client_log
  shell_stop
done

note "$SHELL_KIND: the next login starts the client in the tray; it rotates at once"
t0=$SECONDS
shell_start "${sizes[1]}"
# Only the shown picture and the next one to rotate to.
find "$WALLPAPER_DIR" -type f ! -name "$(basename "$file")" -delete
variant=$(expected_variant "${sizes[1]}")
fetch_picture "$second,$variant" "$second,$variant.jpg"
next=$WALLPAPER_DIR/$second,$variant.jpg
write_config ChangeTime=1 LastChangeTime=1000 "WallPaper=$file"
PICTAVO_TRAY_ONLY=1 start_client
wait_until 30 '[ "$(ini_value WallPaper)" = "$next" ]' || fail "no rotation: WallPaper is '$(ini_value WallPaper)'"
desktop_shown "$(shown_copy "$next")" || fail "$SHELL_KIND does not show the rotated $next"
sleep 2
! window_shown "$next" || fail "a start in the tray showed the window"
[ "$SHELL_KIND" != kde ] ||
  /usr/bin/convert "$(shown_copy "$next")" -resize "${SHELL_W}x${SHELL_H}!" "$SESSION/reference.png"
if [ "$SHELL_KIND" = kde ]; then
  # No click reaches KWin from outside: the tray's menu is used straight away.
  note "the tray's menu shows the window"
  "$SHELLS/tray.py" show "$CLIENT_PID" || fail "the tray menu's Show failed"
  wait_until 30 'window_shown "$next"' || fail "the tray's Show did not show the window"
  wait_until 10 client_window || fail "the window is not 895 x 600 on the screen (framed by the shell?)"
fi
note "started again from the menu, the running client shows its window"
start_again || fail "the second start failed"
wait_until 30 'window_shown "$next"' || fail "the window did not show"

# sway and KWin take no click from outside (and sway has no minimising).
if [ "$SHELL_KIND" != sway ] && [ "$SHELL_KIND" != kde ]; then
  [ "$SHELL_KIND" != gnome ] ||
    /usr/bin/convert "$(shown_copy "$next")" -resize "${SHELL_W}x${SHELL_H}!" "$SESSION/reference.png"
  wait_until 10 client_window || fail "the client's window is not found"
  if "$SHELLS/tray.py" item "$CLIENT_PID" >"$WORK/tray.out" 2>&1; then
    note "closed to the tray, shown again from the tray's menu"
    click $((WIN_X + 878)) $((WIN_Y + 8))
    wait_until 10 '! window_shown "$next"' || fail "the close button left the window on the screen"
    "$SHELLS/tray.py" show "$CLIENT_PID" || fail "the tray menu's Show failed"
    wait_until 10 'window_shown "$next"' || fail "the window did not come back"
  else
    note "no tray ($(cat "$WORK/tray.out")): minimise and close minimise, a start from the menu shows the window again"
    for button in 848 868; do
      wait_until 10 client_window || fail "the client's window is not found"
      click $((WIN_X + button + 10)) $((WIN_Y + 8))
      wait_until 10 '! window_shown "$next"' || fail "the button at $button left the window on the screen"
      kill -0 "$CLIENT_PID" || fail "the client ended"
      start_again || fail "the start from the menu failed"
      wait_until 10 'window_shown "$next"' || fail "the window did not come back"
    done
  fi
fi
sleep 2 # the page painted again
shell_shot "$E2E_OUT/shell_${SHELL_KIND}.png"
kill -0 "$CLIENT_PID" || fail "the client ended"
kill "$CLIENT_PID"
wait "$CLIENT_PID" 2>/dev/null || true
keep_client_log
! grep -n CRITICAL "$WORK/clients.log" || fail "the client logged criticals"
note "$SHELL_KIND: tray start, rotation and window ($((SECONDS - t0)) s)"
echo "$SHELL_KIND ok in $((SECONDS - started)) s"
