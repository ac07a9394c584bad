#!/usr/bin/env bash
# Fails when a Windows program would not load on Windows XP: a 32-bit program
# whose headers ask for Windows 5.1 at most, importing only from DLLs that XP
# has and no function that XP lacks.
#
# The functions XP lacks are those mingw-w64's own headers declare only when
# _WIN32_WINNT is above 0x0501 (the headers are preprocessed for 0x0501 and for
# 0x0A00 and the declared names compared), plus the few later ones the headers
# declare unconditionally (listed below), plus the secure CRT (*_s), which came
# to msvcrt.dll with Vista.
#
# Usage: check-xp-imports.sh PROGRAM.exe...
#        check-xp-imports.sh --self-test   (proves the check fails when it must)
set -euo pipefail

cxx=${PICTAVO_MINGW_CXX:-i686-w64-mingw32-g++-posix}
objdump=${PICTAVO_MINGW_OBJDUMP:-i686-w64-mingw32-objdump}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# DLLs every Windows XP has. A runtime DLL (libstdc++, libwinpthread, ucrt)
# is not among them either: the programs ship as single files.
xp_dlls="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll comctl32.dll
comdlg32.dll shlwapi.dll urlmon.dll wininet.dll ws2_32.dll wsock32.dll version.dll gdiplus.dll msvcrt.dll
psapi.dll uxtheme.dll winmm.dll imm32.dll msimg32.dll rpcrt4.dll crypt32.dll iphlpapi.dll winspool.drv oleacc.dll
mpr.dll netapi32.dll userenv.dll secur32.dll"

# Later functions the headers declare for every _WIN32_WINNT: Windows 8's
# precise system time, and GDI+ 1.1 (Vista), which XP's GDI+ 1.0 lacks.
undeclared_later="GetSystemTimePreciseAsFileTime
GdipCreateEffect GdipDeleteEffect GdipGetEffectParameterSize GdipGetEffectParameters GdipSetEffectParameters
GdipBitmapApplyEffect GdipBitmapCreateApplyEffect GdipBitmapGetHistogram GdipBitmapGetHistogramSize
GdipBitmapConvertFormat GdipInitializePalette GdipDrawImageFX GdipConvertToEmfPlus GdipConvertToEmfPlusToFile
GdipConvertToEmfPlusToStream GdipImageSetAbort GdipGraphicsSetAbort GdipFindFirstImageItem
GdipFindNextImageItem GdipGetImageItemData"

# The headers of every DLL the programs import or may come to import.
cat >"$work/all.h" <<'EOF'
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <urlmon.h>
#include <wininet.h>
#include <exdisp.h>
#include <mshtml.h>
#include <mshtmhst.h>
#include <commctrl.h>
#include <commdlg.h>
#include <uxtheme.h>
#include <oleacc.h>
#include <imm.h>
#include <mmsystem.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winver.h>
#include <gdiplus.h>
EOF

# Names followed by "(" in the preprocessed headers: every declared function
# (and a few macros' leftovers, which no DLL exports).
declared() {
  "$cxx" -E -P -x c++ -D_WIN32_WINNT="$1" -DWINVER="$1" -DNTDDI_VERSION="${1}0000" -DUNICODE -D_UNICODE \
    "$work/all.h" | grep -oE '\b[A-Za-z_][A-Za-z0-9_]*[[:space:]]*\(' | tr -d '( \t' | sort -u
}

later_functions() {
  declared 0x0501 >"$work/xp"
  declared 0x0A00 >"$work/win10"
  [ -s "$work/xp" ] && [ -s "$work/win10" ] || { echo "could not preprocess the Windows headers" >&2; exit 2; }
  { comm -13 "$work/xp" "$work/win10"; printf '%s\n' $undeclared_later; } | sort -u >"$work/later"
}

# Prints "dll function" for every import by name.
imports() {
  "$objdump" -p "$1" | awk '
    /^[[:space:]]*DLL Name:/ { dll = tolower($3); next }
    dll != "" && NF == 0 { dll = ""; next }
    dll != "" && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[^[:space:]]+$/ { print dll, $3 }
    dll != "" && /^[[:space:]]+vma:/ { next }'
}

# Checks one program; prints what is wrong and answers 1, or prints a summary.
check() {
  local exe=$1 name bad=0 head dlls
  name=$(basename "$exe")
  head=$("$objdump" -p "$exe") || { echo "$name: not a readable PE file"; return 1; }
  if ! grep -q 'file format pei-i386' <<<"$head"; then
    echo "$name: not a 32-bit x86 program"
    bad=1
  fi
  local field major minor
  for field in Subsystem OSystem; do
    major=$(awk -v f="Major${field}Version" '$1 == f { print $2 }' <<<"$head")
    minor=$(awk -v f="Minor${field}Version" '$1 == f { print $2 }' <<<"$head")
    if [ -z "$major" ] || [ -z "$minor" ] || [ $((major * 100 + minor)) -gt 501 ]; then
      echo "$name: asks for Windows ${major:-?}.${minor:-?} ($field version), XP is 5.1"
      bad=1
    fi
  done

  imports "$exe" >"$work/imports"
  [ -s "$work/imports" ] || { echo "$name: no imports found"; return 1; }
  while read -r dll fn; do
    if ! grep -qw -- "$dll" <<<"$xp_dlls"; then
      echo "$name: imports $fn from $dll, which Windows XP does not have"
      bad=1
    elif grep -qx -- "$fn" "$work/later"; then
      echo "$name: imports $fn from $dll, newer than Windows XP"
      bad=1
    elif [ "$dll" = msvcrt.dll ] && [[ $fn == *_s ]]; then
      echo "$name: imports $fn from msvcrt.dll, which has it only from Vista on"
      bad=1
    fi
  done <"$work/imports"
  if [ $bad -eq 0 ]; then
    dlls=$(cut -d' ' -f1 "$work/imports" | sort -u | tr '\n' ' ')
    echo "$name: loads on Windows XP ($(wc -l <"$work/imports") imports from ${dlls% })"
  fi
  return $bad
}

self_test() {
  local src="$work/probe.c" ok=1 out
  printf '%s\n' '#include <windows.h>' \
    'int main(void) { return (int)(PROBE_CALL); }' >"$src"
  # An XP program that must pass, then three that must fail, each for its own reason.
  "$cxx" -x c -O1 -static -D_WIN32_WINNT=0x0501 -DPROBE_CALL='GetTickCount()' "$src" -o "$work/xp.exe" \
    -Wl,--major-subsystem-version,5,--minor-subsystem-version,1,--major-os-version,5,--minor-os-version,1
  "$cxx" -x c -O1 -static -D_WIN32_WINNT=0x0600 -DPROBE_CALL='GetTickCount64()' "$src" -o "$work/vista-import.exe" \
    -Wl,--major-subsystem-version,5,--minor-subsystem-version,1,--major-os-version,5,--minor-os-version,1
  "$cxx" -x c -O1 -static -D_WIN32_WINNT=0x0501 -DPROBE_CALL='GetTickCount()' "$src" -o "$work/vista-header.exe" \
    -Wl,--major-subsystem-version,6,--minor-subsystem-version,0,--major-os-version,5,--minor-os-version,1
  printf '%s\n' '#include <windows.h>' '#include <dwmapi.h>' \
    'int main(void) { BOOL on = FALSE; DwmIsCompositionEnabled(&on); return on; }' >"$work/dwm.c"
  "$cxx" -x c -O1 -static "$work/dwm.c" -o "$work/vista-dll.exe" -ldwmapi \
    -Wl,--major-subsystem-version,5,--minor-subsystem-version,1,--major-os-version,5,--minor-os-version,1

  if ! out=$(check "$work/xp.exe"); then
    echo "self-test: a plain XP program was refused: $out"
    ok=0
  fi
  local probe expect
  for probe in "vista-import:GetTickCount64 from kernel32.dll, newer than Windows XP" \
    "vista-header:asks for Windows 6.0 (Subsystem version)" \
    "vista-dll:from dwmapi.dll, which Windows XP does not have"; do
    expect=${probe#*:}
    if out=$(check "$work/${probe%%:*}.exe"); then
      echo "self-test: ${probe%%:*}.exe passed but must not: $out"
      ok=0
    elif ! grep -qF -- "$expect" <<<"$out"; then
      echo "self-test: ${probe%%:*}.exe failed for another reason: $out"
      ok=0
    fi
  done
  [ $ok -eq 1 ] && echo "self-test: the XP check refuses a later import, a later header and a later DLL"
  [ $ok -eq 1 ]
}

[ $# -gt 0 ] || { echo "usage: $0 PROGRAM.exe... | --self-test" >&2; exit 2; }
later_functions
if [ "$1" = --self-test ]; then
  self_test
  exit
fi
status=0
for exe in "$@"; do
  check "$exe" || status=1
done
exit $status
