#!/usr/bin/env bash
# CPU of the resident worker while idle, with the companion service present
# (in-process listener, and the stand-in BrisvaneService) and absent, against
# the same program without a worker. Then, for steadier figures, connection
# attempts counted with strace and instructions per idle second with callgrind.
# Usage: bench/worker_idle.sh [build dir, default build/linux]
#   WINDOW=30   seconds measured per scenario
#   DEEP=0      skip the strace and callgrind runs
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/linux}
bin=$build/bin
window=${WINDOW:-30}
[ -x "$bin/worker_idle" ] || { echo "build worker_idle first: cmake --build --preset linux" >&2; exit 1; }

service_pid=
cleanup() { [ -z "$service_pid" ] || kill "$service_pid" 2>/dev/null || true; }
trap cleanup EXIT

field() { sed -n "s/.*[[:space:]]$1=\([^[:space:]]*\).*/\1/p"; }

run() { # label, worker_idle arguments...
  local label=$1; shift
  local line
  line=$("$bin/worker_idle" "$@" --seconds "$window")
  echo "$label: $line"
  printf '%s\n' "$line" | field cpu_ms > "$tmp/$label"
}

tmp=$(mktemp -d)
run baseline baseline
run present present
if [ -x "$bin/BrisvaneService" ]; then
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  "$bin/BrisvaneService" --port "$port" >/dev/null 2>&1 &
  service_pid=$!
  sleep 0.5
  run external present --port "$port"
  kill "$service_pid"; wait "$service_pid" 2>/dev/null || true; service_pid=
fi
run absent absent

base=$(cat "$tmp/baseline")
echo
echo "net of baseline ($base ms), percent of one core over ${window}s (target < 0.1%):"
for s in present external absent; do
  [ -f "$tmp/$s" ] || continue
  awk -v s="$s" -v c="$(cat "$tmp/$s")" -v b="$base" -v w="$window" \
    'BEGIN { printf "  %-9s %7.2f ms  %.4f %%\n", s, c - b, 100 * (c - b) / (w * 1000) }'
done
rm -rf "$tmp"

[ "${DEEP:-1}" = 1 ] || exit 0
echo
if command -v strace >/dev/null; then
  # Every connect of the process, the listener's own wake-up connect included.
  short=10
  echo "connect() calls in ${short}s with the service absent (expect about one a second):"
  strace -f -qq -e trace=connect -o "$build/worker_idle.strace" "$bin/worker_idle" absent --seconds "$short" >/dev/null
  echo "  $(grep -c 'connect(' "$build/worker_idle.strace") calls (start-up and first pass included)"
fi
if command -v valgrind >/dev/null; then
  # Two windows; the difference is the cost of idling, free of start-up.
  echo "instructions per idle second (callgrind, difference of a 5 s and a 15 s window):"
  for scenario in present absent; do
    for s in 5 15; do
      valgrind --tool=callgrind --callgrind-out-file=/dev/null "$bin/worker_idle" "$scenario" --seconds "$s" \
        2>"$build/worker_idle.callgrind" >/dev/null
      sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$build/worker_idle.callgrind" > "$build/worker_idle.ir$s"
    done
    awk -v s="$scenario" -v a="$(cat "$build/worker_idle.ir5")" -v b="$(cat "$build/worker_idle.ir15")" \
      'BEGIN { printf "  %-8s %.0f instructions/s\n", s, (b - a) / 10 }'
  done
fi
