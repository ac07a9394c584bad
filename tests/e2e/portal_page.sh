#!/usr/bin/env bash
# The gallery as a person meets it in a real web view of the client's size: a
# pointer click on a thumbnail hands downloadPic the request for that picture
# (every variant the portal serves, the picture's own address before "?"),
# and the page says which picture was picked.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_setup portal_page

start_portal
"$E2E_BIN/PageViewer" "$PORTAL_URL" >"$WORK/viewer.log" 2>"$WORK/viewer.err" &
e2e_pids+=($!)
wait_until 60 'grep -q "^loaded" "$WORK/viewer.log"' || fail "the page did not load: $(cat "$WORK/viewer.err")"
wait_gallery 0 0
xdotool mousemove 5 540
screenshot portal_page_gallery.png
status_before=$(screen_pixel 10 540)

click_thumb night-lake 0 0
wait_until 10 'grep -q "^downloadPic " "$WORK/viewer.log"' || fail "the click reached no downloadPic"
request=$(sed -n 's/^downloadPic //p' "$WORK/viewer.log")

sizes="1024,768 1280,1024 1366,768 1440,900 1600,900 1920,1080 1920,1200 2560,1440 3840,2160"
list=
for s in $sizes; do list+="pic/night-lake,$s.jpg;"; done
[ "$request" = "${PORTAL_URL}pic/night-lake.jpg?v=${list%;}" ] || fail "request: $request"
for entry in ${list//;/ } "pic/night-lake.jpg"; do
  [ "$(curl -s -o /dev/null -I -w '%{http_code}' "$PORTAL_URL$entry")" = 200 ] || fail "$entry is not served"
done
[ "$(grep -c '^downloadPic ' "$WORK/viewer.log")" = 1 ] || fail "one click, several calls"
grep -q '^GET /picked?name=night-lake 204' "$PORTAL_LOG" || fail "the page did not note the pick"
# The status line turns blue and names the picture.
wait_pick_shown 0 0
screenshot portal_page_picked.png
! close_rgb "$status_before" "220 234 254" 6 || fail "status line marked before the click"
echo "page ok"
