#!/usr/bin/env bash
# Checks the Windows release zip: the client, the stand-in service and the
# README in one folder and nothing else; both programs stripped and loadable
# on Windows XP; the client at most 3 MB; a README that Notepad shows in
# English and Chinese, with the portal address filled in.
# Usage: check-win32-package.sh Pictavo-VERSION-win32.zip
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
objdump=${PICTAVO_MINGW_OBJDUMP:-i686-w64-mingw32-objdump}
zip=$(realpath "${1:?usage: $0 PACKAGE.zip}")
top=$(basename "$zip" .zip)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$(basename "$zip"): $*" >&2; exit 1; }

expected=$(printf '%s\n' "$top/BrisvaneService.exe" "$top/Pictavo.exe" "$top/README.txt")
listed=$(cmake -E tar tf "$zip" | grep -v '/$' | sort)
[ "$listed" = "$expected" ] || fail "holds $(tr '\n' ' ' <<<"$listed"), expected $(tr '\n' ' ' <<<"$expected")"
(cd "$work" && cmake -E tar xf "$zip")
dir=$work/$top

for exe in Pictavo.exe BrisvaneService.exe; do
  if "$objdump" -h "$dir/$exe" | grep -q '\.debug_'; then fail "$exe still has debug information"; fi
  if "$objdump" -f "$dir/$exe" | grep -q 'HAS_SYMS'; then fail "$exe still has its symbol table"; fi
done
size=$(stat -c %s "$dir/Pictavo.exe")
[ "$size" -le $((3 * 1024 * 1024)) ] || fail "Pictavo.exe is $size bytes, more than 3 MB"
grep -q $'\r$' "$dir/README.txt" || fail "README.txt has no Windows line ends"
# Without the byte-order mark Notepad reads the Chinese half in the ANSI code page.
[ "$(head -c 3 "$dir/README.txt" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "README.txt has no UTF-8 mark"
! grep -q '@[A-Z_]*@' "$dir/README.txt" || fail "README.txt has unfilled $(grep -o '@[A-Z_]*@' "$dir/README.txt" | head -1)"
for text in PICTAVO_PORTAL_URL 'http://[^ ]*/' '%APPDATA%\\Brisvane' WallPaper; do
  [ "$(grep -c "$text" "$dir/README.txt")" -ge 2 ] || fail "README.txt does not explain $text in both languages"
done
grep -q '门户地址' "$dir/README.txt" || fail "README.txt has no Chinese part"
"$here/check-xp-imports.sh" "$dir/Pictavo.exe" "$dir/BrisvaneService.exe"
echo "$(basename "$zip"): $(stat -c %s "$zip") bytes; Pictavo.exe $size bytes," \
  "BrisvaneService.exe $(stat -c %s "$dir/BrisvaneService.exe") bytes, both stripped"
