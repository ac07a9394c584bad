# The end-to-end harness: real programs (demo portal, stand-in service,
# client, page viewer) under the Xvfb display the test runs on, real pointer
# input with xdotool, and what a person would see read back: root-window
# pixels, files, the portal's log and the service's records.
# Sourced by the tests; E2E_BIN is the folder of the built programs.
set -euo pipefail
# (With pipefail, "producer | grep -q" can fail when grep's early exit kills
# the producer: pipelines here let grep read everything.)

: "${E2E_BIN:?E2E_BIN names the folder of the built programs}"
E2E_BIN=$(cd "$E2E_BIN" && pwd)
E2E_OUT=$(cd "$E2E_BIN/.." && pwd)/e2e
# One picture folder for every test: each variant is drawn once.
E2E_PICTURES=$E2E_OUT/pictures
# The gallery's grid inside the view: 200 x 112 thumbnails, 4 columns.
E2E_GALLERY=(alpine-dawn aurora dunes cloudscape sunset-sea misty-forest
  lavender-hills night-lake desert-dusk fjord autumn-valley twilight-peaks)
E2E_VIEW_TOP=27 # the view's place in the client's window

e2e_pids=()

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

note() { echo "--- $*"; }

# A critical from GLib or GTK in the client's own output (its log, or the
# stand-in service's error output when the service started it) fails the
# test, however the rest went. WebKit's helper processes write to the same
# output and name themselves; theirs are WebKit's to answer for (a web process
# killed mid-load with the client can log one).
e2e_cleanup() {
  local pid criticals
  for pid in "${e2e_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${e2e_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  criticals=$(cat "$WORK/client.log" "$WORK/service.err" 2>/dev/null | grep -a 'CRITICAL' |
    grep -av '^(WebKit[A-Za-z]*Process:' | grep -avE "${E2E_NO_SEAT:-^$}" || true)
  [ -z "$criticals" ] || fail "the client logged criticals:"$'\n'"$criticals"
}

# e2e_setup NAME: a fresh work folder and a user of our own (settings, cache).
e2e_setup() {
  WORK=$E2E_OUT/$1
  rm -rf "$WORK"
  mkdir -p "$WORK" "$E2E_PICTURES"
  export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_CACHE_HOME=$WORK/home/.cache
  mkdir -p "$XDG_CONFIG_HOME/Brisvane/WallPaper" "$XDG_CACHE_HOME"
  CONFIG_INI=$XDG_CONFIG_HOME/Brisvane/Config.ini
  WALLPAPER_DIR=$XDG_CONFIG_HOME/Brisvane/WallPaper
  trap e2e_cleanup EXIT
}

# wait_until SECONDS 'CODE': true as soon as CODE is, evaluated afresh each time.
wait_until() {
  local deadline=$((SECONDS + $1))
  until eval "$2"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# Local wall-clock time counted as UTC seconds: how the client stores times.
local_now() {
  python3 -c 'import time; t=time.time(); print(int(t + time.localtime(t).tm_gmtoff))'
}

# write_config KEY=VALUE...: the client's settings before it starts.
write_config() {
  {
    echo "[Config]"
    printf '%s\n' "$@"
  } >"$CONFIG_INI"
}

ini_value() {
  sed -n "s/^$1=//p" "$CONFIG_INI" | tr -d '\r' | tail -1
}

# start_portal [OPTIONS...]: PORTAL_PID, PORTAL_PORT, PORTAL_LOG.
start_portal() {
  PORTAL_LOG=$WORK/portal.log
  : >"$PORTAL_LOG" # emptied here: the child's own redirection may come after our first look
  "$E2E_BIN/pictavo-demo-portal" --port 0 --root "$E2E_PICTURES" --no-fill "$@" >"$PORTAL_LOG" 2>&1 &
  PORTAL_PID=$!
  e2e_pids+=("$PORTAL_PID")
  wait_until 10 'grep -q "^Listening" "$PORTAL_LOG"' || fail "the portal did not start: $(cat "$PORTAL_LOG")"
  PORTAL_PORT=$(sed -n 's|^Listening on http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$PORTAL_LOG")
  PORTAL_URL=http://127.0.0.1:$PORTAL_PORT/
}

portal_requests() { grep -c "^GET $1" "$PORTAL_LOG" || true; }

# start_service [OPTIONS...]: the stand-in companion service on a free port,
# which the client is told through PICTAVO_STATUS_PORT; on the product's own
# port while the client knows no such override (the tests that start the
# service hold ctest's status_port lock).
start_service() {
  SERVICE_LOG=$WORK/service.log
  : >"$SERVICE_LOG"
  if grep -qa PICTAVO_STATUS_PORT "$E2E_BIN/pictavo"; then
    PICTAVO_STATUS_PORT=$(free_port)
  else
    PICTAVO_STATUS_PORT=17597
  fi
  export PICTAVO_STATUS_PORT
  "$E2E_BIN/BrisvaneService" --port "$PICTAVO_STATUS_PORT" "$@" >"$SERVICE_LOG" 2>"$WORK/service.err" &
  SERVICE_PID=$!
  e2e_pids+=("$SERVICE_PID")
  wait_until 10 'grep -q Listening "$SERVICE_LOG"' || fail "the service did not start: $(cat "$WORK/service.err")"
}

# start_pick_page PICTURE [HOLD_FILE]: a page that picks PICTURE of the demo
# portal on load (see pick_page.py); PAGE_URL, PAGE_LOG. Start the portal first.
start_pick_page() {
  PAGE_LOG=$WORK/page.log
  : >"$PAGE_LOG"
  python3 "$(dirname "${BASH_SOURCE[0]}")/pick_page.py" "$PORTAL_URL" "$@" >"$PAGE_LOG" 2>&1 &
  e2e_pids+=("$!")
  wait_until 10 'grep -q "^Listening" "$PAGE_LOG"' || fail "the pick page did not start: $(cat "$PAGE_LOG")"
  PAGE_URL=$(sed -n 's|^Listening on \(.*\)|\1|p' "$PAGE_LOG")
}

# wait_variant PICTURE W H [N]: the N-th picture the portal was asked for (the
# first by default) is that variant of PICTURE, and it was served.
wait_variant() {
  local n=${4:-1} asked
  wait_until 60 '[ "$(grep -c "^GET /pic/" "$PORTAL_LOG")" -ge "$n" ]' || fail "no pick reached the portal"
  asked=$(grep '^GET /pic/' "$PORTAL_LOG" | sed -n "${n}p")
  [[ "$asked" == "GET /pic/$1,$2,$3.jpg 200 "* ]] || fail "the portal was asked for $asked, not $1 at $2 x $3"
}

# run_weston NAME OPTIONS...: a Weston compositor listening on NAME.
run_weston() {
  local name=$1
  shift
  weston --socket="$name" --idle-time=0 --log="$WORK/$name.log" "$@" >/dev/null 2>&1 &
  e2e_pids+=("$!")
  wait_until 10 '[ -S "$XDG_RUNTIME_DIR/$name" ]' || fail "weston did not start: $(cat "$WORK/$name.log")"
}

# start_weston SCALE: a headless Wayland compositor with one 1920 x 1080
# output at SCALE, and nothing of X for the programs started after it.
# start_weston second: two outputs side by side, 1280 x 720 and 1920 x 1080
# at scale 2, the client's window shown on the second (Weston nested in a
# headless one: only its Wayland backend has more than one output).
start_weston() {
  command -v weston >/dev/null || fail "weston is not installed (scripts/deps.sh installs it)"
  export XDG_RUNTIME_DIR=$WORK/run GDK_BACKEND=wayland
  unset DISPLAY WAYLAND_DISPLAY
  # Headless Weston offers no seat, which no session lacks; GDK and WebKit
  # then ask a seat that is not there for its keyboard and pointer.
  E2E_NO_SEAT="GDK_IS_(SEAT \\(seat\\)|DEVICE \\(device\\))' failed"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
  if [ "$1" != second ]; then
    run_weston pictavo-e2e --backend=headless-backend.so --width=1920 --height=1080 --scale="$1" --no-config
  else
    run_weston pictavo-e2e-host --backend=headless-backend.so --width=3840 --height=1080 --use-pixman --no-config
    # The kiosk shell puts a program's windows on the output that names it.
    printf '%s\n' '[output]' name=wayland0 mode=1280x720 '[output]' name=wayland1 mode=1920x1080 scale=2 \
      app-ids=pictavo >"$WORK/outputs.ini"
    WAYLAND_DISPLAY=pictavo-e2e-host run_weston pictavo-e2e --backend=wayland-backend.so --output-count=2 \
      --use-pixman --shell=kiosk-shell.so --config="$WORK/outputs.ini"
  fi
  export WAYLAND_DISPLAY=pictavo-e2e
}

# fetch_picture VARIANT NAME: a portal picture into the wallpaper folder, as
# if the user had collected it earlier.
fetch_picture() {
  curl -sf -o "$WALLPAPER_DIR/$2" "${PORTAL_URL}pic/$1.jpg" || fail "cannot fetch $1"
}

# The client's newest fitted copy, if any.
fitted_copy() { ls -t "$XDG_CONFIG_HOME"/Brisvane/Fitted/* 2>/dev/null | head -1; }

# The next change times the service has received, oldest first.
service_times() { sed -n 's/^NextChangeTime=.*(\(-\?[0-9]*\)).*/\1/p' "$SERVICE_LOG"; }

# start_client [HOME_URL]: CLIENT_PID; the client shows the portal at PORTAL_URL
# (or HOME_URL).
start_client() {
  PICTAVO_PORTAL_URL=${1:-$PORTAL_URL} "$E2E_BIN/pictavo" >"$WORK/client.log" 2>&1 &
  CLIENT_PID=$!
  e2e_pids+=("$CLIENT_PID")
}

# find_window PID: WINDOW, WIN_X, WIN_Y of the program's visible window.
find_window() {
  local pid=$1 geometry=""
  # xdotool gives up on an X error when any window goes while it searches
  # (the client makes and drops windows as it starts): ask again.
  wait_until 30 'WINDOW=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1) && [ -n "$WINDOW" ] &&
    geometry=$(xdotool getwindowgeometry --shell "$WINDOW" 2>/dev/null)' || fail "no window of process $pid"
  eval "$(printf '%s\n' "$geometry" | sed 's/^/WIN_/')"
}

# wait_gallery [VIEW_X VIEW_Y]: the page has asked for every thumbnail and
# the screen shows the first one where it belongs.
wait_gallery() {
  wait_until 60 '[ "$(portal_requests /thumb/)" -ge "${#E2E_GALLERY[@]}" ]' || fail "the gallery did not load"
  local vx=${1:-$WIN_X} vy=${2:-$((WIN_Y + E2E_VIEW_TOP))} start=$SECONDS
  local want
  want=$(file_pixel "$E2E_PICTURES/thumbs/${E2E_GALLERY[0]}.jpg" 200 112 100 30)
  wait_until 60 'close_rgb "$(screen_pixel $((vx + 124)) $((vy + 78)))" "$want" 16' \
    || fail "the gallery is not on the screen: $(screen_pixel $((vx + 124)) $((vy + 78))) where $want belongs"
  note "gallery painted $((SECONDS - start)) s after its thumbnails were asked for"
}

# click_thumb NAME [VIEW_X VIEW_Y]: a real pointer click on a gallery picture;
# the view's corner is at VIEW_X, VIEW_Y on the screen (the client's by default).
click_thumb() {
  local x y vx=${2:-$WIN_X} vy=${3:-$((WIN_Y + E2E_VIEW_TOP))}
  read -r x y < <(thumb_xy "$@")
  xdotool mousemove "$x" "$y" sleep 0.2 click 1 sleep 0.2 mousemove "$((vx + 5))" "$((vy + 540))"
}

# thumb_xy NAME [VIEW_X VIEW_Y]: "X Y", the middle of a gallery picture on the screen.
thumb_xy() {
  local i
  for i in "${!E2E_GALLERY[@]}"; do
    [ "${E2E_GALLERY[$i]}" = "$1" ] && break
  done
  [ "${E2E_GALLERY[$i]}" = "$1" ] || fail "no picture $1 in the gallery"
  local vx=${2:-$WIN_X} vy=${3:-$((WIN_Y + E2E_VIEW_TOP))}
  echo "$((vx + 24 + (i % 4) * 216 + 100)) $((vy + 48 + (i / 4) * 146 + 56))"
}

# wait_pick_shown [VIEW_X VIEW_Y]: the page's status line has turned blue,
# which it does once downloadPic has taken the request.
wait_pick_shown() {
  local x=$((${1:-$WIN_X} + 10)) y=$((${2:-$((WIN_Y + E2E_VIEW_TOP))} + 540))
  wait_until 30 'close_rgb "$(screen_pixel $x $y)" "220 234 254" 6' || fail "the page does not show the pick: $(screen_pixel $x $y)"
}

# screen_pixel X Y: "R G B" of the screen (the root window with whatever is on it).
screen_pixel() { "$E2E_BIN/ScreenPixel" "$1" "$2"; }

# file_pixel FILE WIDTH HEIGHT X Y: "R G B" at X, Y of FILE stretched to
# WIDTH x HEIGHT (the nearest pixel of the file itself: no resampling).
file_pixel() {
  local fw fh
  read -r fw fh < <(/usr/bin/identify -format '%w %h' "$1")
  /usr/bin/convert "$1" -crop "1x1+$(($4 * fw / $2))+$(($5 * fh / $3))" -depth 8 txt:- \
    | sed -n '2s/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}

# close_rgb "R G B" "R G B" [TOLERANCE]
close_rgb() {
  local -a a=($1) b=($2)
  local t=${3:-12} c d
  for c in 0 1 2; do
    d=$((a[c] - b[c]))
    [ "${d#-}" -le "$t" ] || return 1
  done
}

# desktop_shows FILE: the screen's free corners show FILE as the wallpaper
# (centred when it is as wide as the screen, stretched otherwise: the same
# pixels where the file fills the screen).
desktop_shows() {
  local w h x y
  read -r w h < <(xdotool getdisplaygeometry)
  for x in 10 $((w / 2)) $((w - 11)); do
    for y in 10 $((h / 4)); do # the sky: smooth, so a centred or stretched copy agrees
      # skip what the client's window covers
      if [ -n "${WINDOW:-}" ] && [ "$x" -ge "$WIN_X" ] && [ "$x" -lt $((WIN_X + 895)) ] && [ "$y" -ge "$WIN_Y" ] && [ "$y" -lt $((WIN_Y + 600)) ]; then
        continue
      fi
      close_rgb "$(screen_pixel "$x" "$y")" "$(file_pixel "$1" "$w" "$h" "$x" "$y")" || return 1
    done
  done
}

screenshot() { /usr/bin/import -window root "$E2E_OUT/$1"; }

# start_sway: a real sway, headless, with a run folder in WORK; as a user with
# no rights when we are root, which sway refuses. SWAY_PID, SWAY_SOCK,
# SWAY_WAYLAND, and AS_SWAY to run a program as sway's user.
start_sway() {
  local tool run=$WORK/sway-run
  for tool in sway swaymsg grim; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps.sh installs it)"
  done
  AS_SWAY=()
  chmod 0755 "$WORK"
  rm -rf "$run"
  mkdir -p -m 0700 "$run"
  if [ "$(id -u)" = 0 ]; then
    AS_SWAY=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    chown 65534:65534 "$run"
  fi
  echo 'output * bg #000000 solid_color' >"$WORK/sway.config"
  chmod 0644 "$WORK/sway.config"
  env -i PATH="$PATH" HOME="$run" XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman "${AS_SWAY[@]}" sway -c "$WORK/sway.config" >>"$WORK/sway.log" 2>&1 &
  SWAY_PID=$!
  e2e_pids+=("$SWAY_PID")
  wait_until 20 'ls "$run"/sway-ipc.*.sock >/dev/null 2>&1 && ls "$run"/wayland-? >/dev/null 2>&1' \
    || fail "sway did not start: $(tail -5 "$WORK/sway.log")"
  SWAY_SOCK=$(ls "$run"/sway-ipc.*.sock | head -1)
  SWAY_WAYLAND=$run/$(basename "$(ls "$run"/wayland-? | head -1)")
}

stop_sway() {
  kill "$SWAY_PID" 2>/dev/null || true
  wait "$SWAY_PID" 2>/dev/null || true
}

# sway_grim [FILE]: sway's own screenshot (PPM on standard output without FILE).
sway_grim() {
  if [ $# = 0 ]; then
    env WAYLAND_DISPLAY="$SWAY_WAYLAND" "${AS_SWAY[@]}" grim -t ppm - 2>/dev/null
  else
    env WAYLAND_DISPLAY="$SWAY_WAYLAND" "${AS_SWAY[@]}" grim -t png - >"$1"
  fi
}

# sway_centre: the colour in the middle of sway's screen, as "R G B".
sway_centre() {
  sway_grim | python3 -c '
import sys
fields = sys.stdin.buffer.read().split(maxsplit=4)
w, h = int(fields[1]), int(fields[2])
i = ((h // 2) * w + w // 2) * 3
print(*fields[4][i:i + 3])'
}
