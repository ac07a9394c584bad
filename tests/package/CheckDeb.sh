#!/usr/bin/env bash
# Makes the Debian package from the built tree into BUILD_DIR/package (where
# the install test finds it), has lintian look at it, unpacks it into a
# scratch root and checks what a user's system would get: the programs, a
# valid desktop entry whose command and icon are in the package, every
# hicolor icon at its own size, valid AppStream metadata and readable man pages.
# usage: CheckDeb.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$build"/package/pictavo_*.deb)
command -v lintian >/dev/null || fail "no lintian: run scripts/deps.sh"
lintian "$deb" >"$scratch/lintian.log" 2>&1 || true
! grep -E '^[EW]: ' "$scratch/lintian.log" || fail "lintian"
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root/usr

[ "$(dpkg-deb -f "$deb" Package)" = pictavo ] || fail "package name"
dpkg-deb -f "$deb" Depends | grep libsoup-3.0 >/dev/null || fail "Depends lacks the demo portal's libsoup: $(dpkg-deb -f "$deb" Depends)"

for program in pictavo pictavo-demo-portal; do
  [ -x "$root/bin/$program" ] || fail "no $program"
  head -c 4 "$root/bin/$program" | grep ELF >/dev/null || fail "$program is not a program"
done
# The unpacked portal starts and serves its page from the unpacked tree.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
"$root/bin/pictavo-demo-portal" --port "$port" --root "$scratch/cache" --no-fill >"$scratch/portal.log" 2>&1 &
portal=$!
for _ in $(seq 50); do grep -q Listening "$scratch/portal.log" && break; sleep 0.1; done
page=$(curl -sf "http://127.0.0.1:$port/" || true)
kill "$portal"
grep -q downloadPic <<<"$page" || fail "the packaged portal serves no gallery"

entry=$root/share/applications/com.brisvane.Pictavo.desktop
out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
! grep -v ': hint: ' <<<"$out" | grep . >/dev/null || fail "desktop-file-validate: $out"
grep -qx 'Categories=Utility;DesktopSettings;' "$entry" || fail "categories"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$root/bin/$exec_name" ] || fail "the entry starts $exec_name, which the package lacks"
icon=$(sed -n 's/^Icon=//p' "$entry")

for size in 16 22 24 32 48 64 128 256; do
  png=$root/share/icons/hicolor/${size}x${size}/apps/$icon.png
  [ -f "$png" ] || fail "no ${size}px icon"
  # PNG signature, then IHDR's width and height.
  dims=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert d[:8]==b"\x89PNG\r\n\x1a\n"; print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png")
  [ "$dims" = "${size}x${size}" ] || fail "$png is $dims"
done

appstreamcli validate --no-net "$root/share/metainfo/com.brisvane.Pictavo.metainfo.xml" >"$scratch/as.log" 2>&1 \
  || { cat "$scratch/as.log"; fail "appstreamcli validate"; }
grep -q '<launchable type="desktop-id">com.brisvane.Pictavo.desktop</launchable>' \
  "$root/share/metainfo/com.brisvane.Pictavo.metainfo.xml" || fail "metainfo names another desktop entry"

for page in pictavo pictavo-demo-portal; do
  man=$root/share/man/man1/$page.1.gz
  [ -f "$man" ] || fail "no man page for $page"
  zcat "$man" | grep '^\.SH NAME' >/dev/null || fail "man page $page has no NAME"
  warnings=$(zcat "$man" | groff -man -ww -z 2>&1) || fail "man page $page does not format"
  [ -z "$warnings" ] || fail "man page $page: $warnings"
done
echo "package ok: $(basename "$deb")"
