#!/usr/bin/env bash
# The Linux client idle with the demo portal's gallery shown, under Xvfb:
# resident memory as PSS of the program and every process it started (the
# WebKit web and network processes, the sandbox's helpers), and CPU time of
# all of them over WINDOW (60) seconds. Run as root: the figure that counts
# reads page frame numbers.
# usage: bench/client_idle.sh [build dir, default build/linux]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/linux}" && pwd)
if [ -z "${IDLE_BENCH_INSIDE:-}" ]; then
  IDLE_BENCH_INSIDE=1 exec xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" dbus-run-session -- "$0" "$build" \
    2> >(grep -v -e dbus-daemon -e SpiRegistry -e xdg-desktop-portal -e pw.conf -e RealtimeKit -e PipeWire -e '^$' >&2)
fi

E2E_BIN=$build/bin
source "$here/tests/e2e/lib.sh"
e2e_setup bench_idle
window=${WINDOW:-60}

start_portal
write_config ChangeTime=60 LastChangeTime="$(local_now)"
start_service
start_client
find_window "$CLIENT_PID"
wait_gallery
xdotool mousemove 0 0
sleep 5 # let start-up work settle

tree() { # the process and its descendants
  local pid
  echo "$1"
  for pid in $(ps -o pid= --ppid "$1"); do tree "$pid"; done
}
pss_kb() { awk '/^Pss:/ {print $2}' "/proc/$1/smaps_rollup" 2>/dev/null || echo 0; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

pids=($(tree "$CLIENT_PID"))
# The kernel's PSS shares a library page with every program on the machine
# that maps it, so it drops while other people's WebKit programs run. The
# figure that counts divides pages among this session's processes only (X
# server, bus, portal, service, client), as on a machine of its own.
session=$(ps -o ppid= -p "$PPID") # xvfb-run, above dbus-run-session
declare -A own
while read -r pid kb; do own[$pid]=$kb; done < <(python3 "$here/bench/session_pss.py" "${pids[@]}" --among $(tree "$session"))
total=0
for pid in "${pids[@]}"; do
  kb=$(pss_kb "$pid")
  total=$((total + kb))
  printf '%8d kB PSS %8d kB in the session  %s\n' "$kb" "${own[$pid]}" "$(tr '\0' ' ' <"/proc/$pid/cmdline" | cut -c1-70)"
done
echo "PSS of the client and its ${#pids[@]} processes: $((own[total] / 1024)) MB in the session alone ($((total / 1024)) MB machine-wide)"

declare -A before
for pid in "${pids[@]}"; do before[$pid]=$(cpu_ticks "$pid"); done
sleep "$window"
ticks=0
for pid in "${pids[@]}"; do
  used=$(($(cpu_ticks "$pid") - before[$pid]))
  ticks=$((ticks + used))
  [ "$used" -eq 0 ] || printf '%8d ms CPU  %s\n' "$((used * 1000 / $(getconf CLK_TCK)))" "$(tr '\0' ' ' <"/proc/$pid/cmdline" | cut -c1-80)"
done
hz=$(getconf CLK_TCK)
echo "CPU over ${window} s idle with the gallery shown: $((ticks * 1000 / hz)) ms ($(python3 -c "print(f'{$ticks / $hz / $window * 100:.3f}')") % of one core)"
[ "$(ps -o pid= --ppid "$CLIENT_PID" | wc -l)" -ge 1 ] || echo "note: the process tree changed during the window"
