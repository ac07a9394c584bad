#!/usr/bin/env bash
# A rotation that is due moves to the next picture, shows it and tells the
# service; a one-shot start under the service does one pass and ends.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_setup rotation

start_portal
fetch_picture dunes,1280,1024 a-dunes.jpg
fetch_picture night-lake,1280,1024 b-night-lake.jpg
a=$WALLPAPER_DIR/a-dunes.jpg b=$WALLPAPER_DIR/b-night-lake.jpg

note "a resident client rotates at once when a change is overdue"
write_config ChangeTime=1 LastChangeTime=1000 "WallPaper=$a"
start_service
start=$(local_now)
start_client
find_window "$CLIENT_PID"
# Both keys are read until both have their new values: the file may be
# caught between two writes.
wait_until 30 '[ "$(ini_value WallPaper)" = "$b" ] && [ "$(ini_value LastChangeTime)" -ge "$start" ] 2>/dev/null' \
  || fail "no rotation: WallPaper is '$(ini_value WallPaper)', LastChangeTime $(ini_value LastChangeTime), started at $start"
changed=$(ini_value LastChangeTime)
[ "$changed" -le $(($(local_now) + 1)) ] || fail "LastChangeTime $changed lies ahead"
wait_until 30 'desktop_shows "$b"' || fail "the desktop does not show $b"
wait_until 20 'service_times | grep -x "$((changed + 60))" >/dev/null' || fail "the service heard no $((changed + 60)): $(service_times)"
kill "$CLIENT_PID"
wait "$CLIENT_PID" || true
kill "$SERVICE_PID"
WINDOW=

note "a one-shot start under the service"
write_config ChangeTime=1 LastChangeTime=1000 "WallPaper=$b"
start_service --launch "$E2E_BIN/pictavo" --count 1
wait_until 30 '! kill -0 "$SERVICE_PID" 2>/dev/null' || fail "the service heard nothing in 30 s"
wait_until 10 '[ -z "$(pgrep -P "$SERVICE_PID" 2>/dev/null || true)" ]' || fail "the one-shot client kept running"
[ "$(ini_value WallPaper)" = "$a" ] || fail "the one-shot pass did not rotate: $(ini_value WallPaper)"
[ "$(service_times | wc -l)" = 1 ] || fail "records: $(service_times)"
wait_until 10 'desktop_shows "$a"' || fail "the desktop does not show $a"
echo "rotation ok"
