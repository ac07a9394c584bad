#!/usr/bin/env bash
# with_xvfb.sh WxH COMMAND...: COMMAND on an Xvfb screen of its own, with a
# session bus. Xvfb picks the free display itself (-displayfd): xvfb-run -a
# guesses one, and two tests starting at once can guess the same.
set -u
screen=$1
shift
tmp=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "${screen}x24" -noreset -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 200); do
  [ -s "$tmp/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.05
done
display=$(head -n 1 "$tmp/display" 2>/dev/null)
if [ -z "$display" ]; then
  echo "Xvfb did not start: $(cat "$tmp/xvfb.log")" >&2
  exit 1
fi
export DISPLAY=:$display
dbus-run-session -- "$@"
