#!/usr/bin/env bash
# The demo portal the client started ends by itself: the client reaps it, and
# the page's "Try again" starts a new one and shows the gallery again.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_setup portal_restart
export LC_ALL=C.UTF-8
unset LANGUAGE

# No portal named: the client sees to the demo portal itself.
env -u PICTAVO_PORTAL_URL "$E2E_BIN/pictavo" >"$WORK/client.log" 2>&1 &
CLIENT_PID=$!
e2e_pids+=("$CLIENT_PID")
portal_of_client() { pgrep -P "$CLIENT_PID" -f 'pictavo-demo-portal --listen-fd' || true; }
wait_until 20 '[ -n "$(portal_of_client)" ]' || fail "the client started no demo portal"
first=$(portal_of_client)
# Gone before the view asked it for anything: the view's load fails.
kill -9 "$first"
wait_until 10 '[ "$(ps -o stat= -p "$first" 2>/dev/null)" = "" ]' || fail "the dead portal was left unreaped"
find_window "$CLIENT_PID"

# The page's link, found by its colour in the view (wherever the text puts it).
link_at() {
  import -window root png:- 2>/dev/null |
    /usr/bin/convert png:- -crop "895x550+$WIN_X+$((WIN_Y + E2E_VIEW_TOP))" +repage -depth 8 txt:- |
    awk -F'[,:() ]+' 'NR > 1 && $3 < 60 && $4 > 70 && $4 < 120 && $5 > 150 { print $1, $2; exit }'
}
wait_until 30 '[ -n "$(link_at)" ]' || fail "no \"Try again\" on the screen"
read -r lx ly < <(link_at)
xdotool mousemove "$((WIN_X + lx))" "$((WIN_Y + E2E_VIEW_TOP + ly))" click 1
wait_until 20 '[ -n "$(portal_of_client)" ] && [ "$(portal_of_client)" != "$first" ]' || fail "Try again started no portal"
wait_until 60 '[ -f "$XDG_CACHE_HOME/pictavo-demo-portal/thumbs/${E2E_GALLERY[0]}.jpg" ]' || fail "the new portal served no gallery"
want=$(file_pixel "$XDG_CACHE_HOME/pictavo-demo-portal/thumbs/${E2E_GALLERY[0]}.jpg" 200 112 100 30)
wait_until 60 'close_rgb "$(screen_pixel $((WIN_X + 124)) $((WIN_Y + E2E_VIEW_TOP + 78)))" "$want" 16' ||
  fail "the gallery is not on the screen again"
import -window root "$WORK/gallery_again.png"
echo "portal restart ok"
