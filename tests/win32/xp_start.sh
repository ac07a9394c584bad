#!/usr/bin/env bash
# The Windows program under Windows XP rules, as a whole: Wine set to report XP
# in a prefix of its own. A user start through cmd /c stays resident, runs its
# worker and reports to the stand-in service, and ends on WM_CLOSE; a start by
# the stand-in service from the client's folder is a one-shot run that
# reports and ends by itself.
# Usage: xp_start.sh BIN_DIR WINE_PREFIX   (needs an X display)
set -euo pipefail
bin=$(realpath "$1")
WINEPREFIX=$(realpath -m "$2")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/*.out; do [ -f "$f" ] && { echo "--- $(basename "$f")"; cat "$f"; }; done >&2
  exit 1
}
[ -n "${DISPLAY:-}" ] || fail "no X display: Wine would make no top-level window to close"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  # The registry reaches the disk only when wineboot's server ends.
  wineserver -w >/dev/null 2>&1 || true
fi
wineserver -p >/dev/null 2>&1 </dev/null || true
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1 </dev/null ||
  fail "cannot set Wine to report Windows XP"
# Wine's own services, detached from our output (see scripts/test.sh).
wineboot >/dev/null 2>&1 </dev/null || true
ver=$(wine cmd /c ver </dev/null 2>/dev/null | tr -d '\r')
grep -q 'Windows 5\.1' <<<"$ver" || fail "Wine does not report Windows XP: $ver"

# The client's folder, and no settings left from an earlier run.
dir=$WINEPREFIX/drive_c/pictavo-xp
rm -rf "$dir" "$WINEPREFIX/drive_c/Documents and Settings"
find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -name Brisvane -exec rm -rf {} + 2>/dev/null || true
mkdir -p "$dir"
cp "$bin/Pictavo.exe" "$bin/BrisvaneService.exe" "$bin/ClientControl.exe" "$dir/"
win='C:\pictavo-xp\'

# A free port for the stand-in service; the client follows PICTAVO_STATUS_PORT.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export PICTAVO_STATUS_PORT=$port

wait_for() { # file text seconds
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    grep -q -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
record_re='^NextChangeTime=.* ConfigDir="[^"]*\\Brisvane\\" ClientVersion="[0-9.]*"'

# User start: cmd.exe is the parent, so not the service: the client stays.
timeout 120 wine "${win}BrisvaneService.exe" --port "$port" --count 1 >"$work/user-start.out" 2>&1 </dev/null &
service=$!
wait_for "$work/user-start.out" Listening 60 || fail "the stand-in service did not start"
timeout 120 wine cmd /c "${win}Pictavo.exe" >/dev/null 2>&1 </dev/null &
client=$!
wait_for "$work/user-start.out" NextChangeTime= 60 || fail "the user start sent no status record"
wait "$service" || fail "the stand-in service failed"
grep -Eq "$record_re" "$work/user-start.out" || fail "the user start's record is malformed"
# A one-shot run would have ended by now; a user start is still there to close.
sleep 2
wine "${win}ClientControl.exe" close 20000 </dev/null >"$work/close.out" 2>&1 ||
  fail "the user start was not resident, or did not end on WM_CLOSE"
wait "$client" || true

# Service start from the client's folder, marker not held: one pass, then exit.
# Started by the service on Windows 5, the settings live under Documents and
# Settings; a change that is long due makes that one pass change and report.
settings="$WINEPREFIX/drive_c/Documents and Settings/$(id -un)/Application Data/Brisvane"
mkdir -p "$settings"
printf '[Config]\r\nChangeTime=5\r\nLastChangeTime=1000\r\n' >"$settings/Config.ini"
timeout 120 wine "${win}BrisvaneService.exe" --port "$port" --count 1 --launch "${win}Pictavo.exe" \
  >"$work/service-start.out" 2>&1 </dev/null &
service=$!
wait_for "$work/service-start.out" NextChangeTime= 60 || fail "the service start sent no status record"
wait "$service" || fail "the stand-in service failed"
wine "${win}ClientControl.exe" ended 20000 </dev/null >"$work/ended.out" 2>&1 ||
  fail "the service start did not end by itself: not a one-shot run"
grep -Eq '^NextChangeTime=.* ConfigDir="C:\\Documents and Settings\\[^\\"]+\\Application Data\\Brisvane\\"' \
  "$work/service-start.out" || fail "the service start's record does not name the Windows 5 settings folder"
grep -q '^NextChangeTime=.* (1300)' "$work/service-start.out" && fail "the service start reported without changing"
grep -q 'LastChangeTime=1000' "$settings/Config.ini" && fail "the service start did not record its change"

echo "Windows XP rules: user start resident and reporting, service start one-shot"
