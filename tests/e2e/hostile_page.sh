#!/usr/bin/env bash
# A portal page that tries every way out of the view at once (attachment
# iframes, a download link, window.open of a local file, top.location to
# another origin from the page and from a foreign frame, a permission
# request, a file dropped onto the view) while it sends a heartbeat every half
# second. Afterwards nothing is new under $HOME, the heartbeat never stopped,
# the client has one window, its web process runs in a sandbox of its own,
# and a real pick still becomes the wallpaper.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_setup hostile_page
# As a desktop session has it: WebKit keeps its sandbox's notes there.
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

start_portal # the demo portal serves the picture picked at the end
HOSTILE_LOG=$WORK/hostile.log
python3 "$here/hostile_portal.py" "${PORTAL_URL}pic/fjord.jpg?v=pic/fjord,1920,1080.jpg" "$WORK/go" \
  >"$HOSTILE_LOG" 2>"$WORK/hostile.err" &
e2e_pids+=($!)
wait_until 10 'grep -q "^Listening" "$HOSTILE_LOG"' || fail "the test portal did not start: $(cat "$WORK/hostile.err")"
read -r _ port _ < <(head -1 "$HOSTILE_LOG")
PORTAL_URL=http://127.0.0.1:$port/

echo secret >"$HOME/secret.txt"
write_config ChangeTime=60 LastChangeTime=$(local_now)
start_service
start_client
find_window "$CLIENT_PID"
view_x=$WIN_X view_y=$((WIN_Y + E2E_VIEW_TOP))

# A file dropped onto the view while the page's scripts are at work.
"$E2E_BIN/DragSource" "$HOME/secret.txt" 40 40 >"$WORK/drag.log" 2>&1 &
e2e_pids+=($!)
wait_until 10 'grep -q shown "$WORK/drag.log"' || fail "no drag source"
wait_until 30 'grep -q "^portal /beat" "$HOSTILE_LOG"' || fail "the page did not start its heartbeat"
wait_until 60 'grep -q "^portal /result?media" "$HOSTILE_LOG"' || fail "the page did not look up its media"
# What the client and its libraries keep at start-up (icons for the tray,
# shader caches, GStreamer's plugin registry) is there by now; the page adds
# nothing to it.
home_files() { find "$HOME" -path "$XDG_CONFIG_HOME/Brisvane" -prune -o -print | sort; }
sleep 1
home_files >"$WORK/home.before"
touch "$WORK/go"
xdotool mousemove 90 80 mousedown 1 sleep 0.2 mousemove 100 90 sleep 0.2 mousemove $((view_x + 500)) $((view_y + 300)) \
  sleep 0.3 mousemove $((view_x + 600)) $((view_y + 320)) sleep 0.3 mouseup 1
wait_until 10 'grep -q "drag ended" "$WORK/drag.log"' || fail "the drop did not happen"
wait_until 30 'grep -q "^portal /result?tried%20all" "$HOSTILE_LOG"' || fail "the page did not get through its tries"
sleep 2 # four more beats

beats=$(sed -n 's|^portal /beat?\([0-9]*\) \([0-9.]*\)$|\1 \2|p' "$HOSTILE_LOG")
echo "$beats" | awk 'NR > 1 && ($1 != n + 1 || $2 - t > 2.5) { print "heartbeat broke after beat " n ": " $0; bad = 1 }
  { n = $1; t = $2 } END { exit bad }' || fail "the page was replaced or stalled"
[ "$(echo "$beats" | wc -l)" -ge 8 ] || fail "too few beats: $beats"
for answer in "notifications%20denied" "location%20refused" "window%20null"; do
  grep -q "^portal /result?$answer " "$HOSTILE_LOG" || fail "no '$answer': $(grep /result "$HOSTILE_LOG")"
done
home_files >"$WORK/home.after"
diff "$WORK/home.before" "$WORK/home.after" >&2 || fail "new files under \$HOME"
# (GTK's 1 x 1 helper window off the screen, which drag and drop maps, is none.)
windows=0
for w in $(xdotool search --onlyvisible --pid "$CLIENT_PID"); do
  eval "$(xdotool getwindowgeometry --shell "$w" | sed 's/^/G_/')"
  [ "$G_WIDTH" -le 1 ] || windows=$((windows + 1))
done
[ "$windows" = 1 ] || fail "the client shows $windows windows"
! grep -q "in the browser" "$WORK/client.log" || fail "something was handed to the browser: $(grep "in the browser" "$WORK/client.log")"

# The web process, seen from here: other namespaces, and $HOME out of its sight.
web=$(pgrep -x WebKitWebProces | while read -r pid; do
  up=$pid
  while [ "$up" -gt 1 ]; do
    [ "$up" = "$CLIENT_PID" ] && { echo "$pid"; break; }
    up=$(awk '{print $4}' "/proc/$up/stat")
  done
done | head -1)
[ -n "$web" ] || fail "no web process of the client"
[ "$(readlink "/proc/$web/ns/mnt")" != "$(readlink "/proc/$CLIENT_PID/ns/mnt")" ] || fail "the web process shares our mounts"
[ -e "/proc/$web/root/usr/lib" ] || fail "cannot look into the web process's file system"
[ ! -e "/proc/$web/root$HOME/secret.txt" ] || fail "the web process can read \$HOME"

screenshot hostile_page.png
xdotool mousemove $((view_x + 170)) $((view_y + 80)) click 1
picked=$WALLPAPER_DIR/fjord,1920,1080.jpg
wait_until 60 '[ "$(ini_value WallPaper)" = "$picked" ]' || fail "WallPaper is '$(ini_value WallPaper)'"
wait_until 30 'desktop_shows "$picked"' || fail "the desktop does not show the pick"
kill -0 "$CLIENT_PID" || fail "the client ended"
echo "hostile page ok: $(echo "$beats" | wc -l) beats"
