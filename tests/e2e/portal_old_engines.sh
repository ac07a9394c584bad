#!/usr/bin/env bash
# The gallery as the running demo portal serves it, read the way the Windows
# edition's WebBrowser control on Windows XP (IE 8) would: old_engine_check.js
# parses its script with acorn as ES3 and refuses what IE 8 lacks.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_setup portal_old_engines
: "${E2E_ACORN:?E2E_ACORN names the acorn module folder}"
[ -f "$E2E_ACORN/package.json" ] || fail "no acorn in $E2E_ACORN: run scripts/deps.sh"

start_portal
curl -sf -o "$WORK/page.html" "$PORTAL_URL" || fail "no page"
node "$here/old_engine_check.js" "$E2E_ACORN" <"$WORK/page.html" >"$WORK/faults" || fail "$(cat "$WORK/faults")"
echo "page ok for IE 8"
