#!/usr/bin/env bash
# The demo portal serves what its gallery offers, and nothing else: every
# listed variant (and the address before "?") as a JPEG of its size, drawn
# once and off the server's loop; unknown names and paths are refused; one log
# line a request; in a folder the user chose it removes only its own
# leftovers; the slow mode really is slow (and still says what it sends), and
# a portal stopped mid-transfer leaves the client a short file.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_setup portal_http
E2E_PICTURES=$WORK/pictures # this test watches pictures being drawn

size_of() { /usr/bin/identify -format '%m %wx%h' "$1"; }
get() { curl -s --path-as-is -o "$WORK/body" -w '%{http_code}' "$PORTAL_URL${1#/}" || true; }

# Leftovers of a drawing cut short, an hour old: the portal's own go, the
# user's files of a similar name stay.
mkdir -p "$E2E_PICTURES/thumbs"
own=("fjord,1920,1080.jpg.part-999999-0" "thumbs/aurora.jpg.part-999999-1")
users=("notes.txt.part-1-2" "film.mkv.part-x" "fjord.jpg.part-3-4")
for f in "${own[@]}" "${users[@]}"; do touch -d '2 hours ago' "$E2E_PICTURES/$f"; done
touch "$E2E_PICTURES/fjord,1366,768.jpg.part-999999-2" # another portal may be drawing it
start_portal
for f in "${users[@]}" "fjord,1366,768.jpg.part-999999-2"; do [ -f "$E2E_PICTURES/$f" ] || fail "deleted $f"; done
for f in "${own[@]}"; do [ ! -e "$E2E_PICTURES/$f" ] || fail "left its own $f"; done
for f in "${users[@]}" "fjord,1366,768.jpg.part-999999-2"; do rm "$E2E_PICTURES/$f"; done

note "a first request for a picture not yet drawn holds up no other request"
curl -s -o "$WORK/big" "${PORTAL_URL}pic/alpine-dawn,7680,4320.jpg" &
big=$!
wait_until 30 'compgen -G "$E2E_PICTURES/alpine-dawn,7680,4320.jpg.part-*" >/dev/null' || fail "the big picture is not drawn"
page=$(curl -sf "$PORTAL_URL")
! grep -q '^GET /pic/alpine-dawn,7680,4320' "$PORTAL_LOG" || fail "the page waited for the drawing"
wait "$big" || fail "the big picture did not come"
[ "$(size_of "$WORK/big")" = "JPEG 7680x4320" ] || fail "the big picture is $(size_of "$WORK/big")"
[ "$(grep -c "^  {name: '" <<<"$page")" -eq 12 ] || fail "the gallery does not list 12 pictures"
grep -q 'window.external.downloadPic(request(p))' <<<"$page" || fail "the gallery does not call downloadPic"

requests=2
for v in 'alpine-dawn,1024,768' 'fjord,1366,768' 'alpine-dawn,7680,4320'; do
  [ "$(get "/pic/$v.jpg")" = 200 ] || fail "$v not served"
  requests=$((requests + 1))
  want=${v#*,}
  [ "$(size_of "$WORK/body")" = "JPEG ${want/,/x}" ] || fail "$v is $(size_of "$WORK/body")"
done
[ "$(get /pic/fjord.jpg)" = 200 ] && [ "$(size_of "$WORK/body")" = "JPEG 1920x1080" ] || fail "the address before ? is not served"
[ "$(get /thumb/aurora.jpg)" = 200 ] && [ "$(size_of "$WORK/body")" = "JPEG 200x112" ] || fail "no thumbnail"
requests=$((requests + 2))
[ "$(curl -s -o /dev/null -w '%{http_code}' -X POST "$PORTAL_URL")" = 405 ] || fail "POST accepted"
requests=$((requests + 1))
[ "$(wc -l <"$PORTAL_LOG")" -eq $((requests + 1)) ] || fail "not one log line a request: $(cat "$PORTAL_LOG")"
grep -q '^GET /pic/fjord,1366,768.jpg 200 [0-9]*$' "$PORTAL_LOG" || fail "log line: $(cat "$PORTAL_LOG")"
for bad in /pic/aurora,7680,4320.jpg /pic/fjord,1920,1081.jpg /pic/nope,1920,1080.jpg /pic/../../etc/passwd \
  /thumb/..%2F..%2Fx.jpg /pic/fjord,1920,1080.jpgx /pic/,1920,1080.jpg /nothing; do
  [[ "$(get "$bad")" == 4?? ]] || fail "$bad was not refused"
done
compgen -G "$E2E_PICTURES/*.jpg.part-*" >/dev/null && fail "temporary files left"

note "drawn once: a second portal serves the same files untouched"
kill "$PORTAL_PID"
stamp=$(stat -c %Y.%s "$E2E_PICTURES/alpine-dawn,7680,4320.jpg")
start_portal --slow-bytes-per-second 100000 --slow-match 7680
code=$(get /pic/alpine-dawn,1024,768.jpg); [ "$code" = 200 ] || fail "second portal: $code"
[ "$(stat -c %Y.%s "$E2E_PICTURES/alpine-dawn,7680,4320.jpg")" = "$stamp" ] || fail "redrawn"

note "slow mode and a portal stopped mid-transfer"
full=$(stat -c %s "$E2E_PICTURES/alpine-dawn,7680,4320.jpg")
curl -s -D "$WORK/slow.headers" -o "$WORK/slow" --max-time 2 "${PORTAL_URL}pic/alpine-dawn,7680,4320.jpg" \
  && fail "the slow picture came at once"
grep -qi '^content-type: image/jpeg' "$WORK/slow.headers" || fail "slow picture sent as: $(cat "$WORK/slow.headers")"
got=$(stat -c %s "$WORK/slow")
[ "$got" -gt 0 ] && [ "$got" -lt $((full / 2)) ] || fail "slow mode sent $got of $full bytes in 2 s"
curl -s -o "$WORK/cut" "${PORTAL_URL}pic/alpine-dawn,7680,4320.jpg" &
reader=$!
sleep 1
kill "$PORTAL_PID"
rc=0
wait "$reader" || rc=$?
[ "$rc" = 18 ] || fail "a transfer cut by the portal's end was not seen as short (curl $rc)"
echo "portal ok"
