#!/usr/bin/env bash
# Renders the real program's main window and settings dialog under Wine on
# the X display, in Chinese and in English (Wine takes the user's interface
# language from LANG), keeps the screenshots for a person to look at, and
# checks their pixels: the background, the caption, and each title button's
# first frame (the checked-in strip blended over the background colour).
# Arguments: folder of Pictavo.exe, source folder, folder for the pictures.
set -euo pipefail
bin=$1 src=$2 out=$3
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (run it under xvfb-run)" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEDEBUG=-all

# Wine's Tahoma has no Chinese; link it to a CJK font so the captions show.
# The menus' font ("MS Shell Dlg") comes out as Liberation Sans.
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Liberation Sans"; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
done

fail=0
check() { # what, actual, expected
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: $2, expected $3"; fail=1; fi
}
pixel() { /usr/bin/convert "$1" -format "%[hex:u.p{$2,$3}]" info: | cut -c1-6; }
# Pixels of a screenshot area differing from the reference picture.
differs() { # shot, x, y, reference (w x h), its crop
  /usr/bin/convert "$1" -crop "$5+$2+$3" +repage "$work/area.png"
  /usr/bin/compare -metric AE -fuzz 4% "$work/area.png" "$4" null: 2>&1 || true
}
frame0() { # strip, crop of frame 0 to compare
  /usr/bin/convert "$src/resources/$1" -crop 21x26+0+0 +repage -background '#EDEEF0' -flatten \
    -crop "$2" +repage "$work/$1"
  echo "$work/$1"
}
# The darkest grey level (0-255) of an area: text or icon makes it low.
darkest() { /usr/bin/convert "$1" -crop "$2" -colorspace gray -format "%[fx:int(255*minima)]" info:; }
geometry() { # window name -> "x y"
  xwininfo -root -tree | grep -F "\"$1\": (\"pictavo.exe\"" | grep -oE '[0-9]+x[0-9]+\+[0-9]+\+[0-9]+ ' |
    head -1 | sed -E 's/[0-9]+x[0-9]+\+([0-9]+)\+([0-9]+) /\1 \2/'
}
wait_mapped() { # window name
  for _ in $(seq 1 150); do
    xwininfo -name "$1" 2>/dev/null | grep -q IsViewable && return 0
    sleep 0.2
  done
  echo "FAIL the window \"$1\" did not show" >&2
  return 1
}

shoot() { # tag, locale, the settings dialog's caption in that language
  local tag=$1 locale=$2 settings=$3
  echo "--- $tag"
  xdotool mousemove 1 1
  port=$((20000 + RANDOM % 20000))
  ( cd "$bin" && exec env LANG="$locale" LC_ALL="$locale" PICTAVO_STATUS_PORT=$port wine cmd /c Pictavo.exe ) &
  client=$!
  wait_mapped Pictavo
  sleep 1
  read -r x y < <(geometry Pictavo)
  import -window root "$out/main-window-$tag.png"
  shot="$out/main-window-$tag.png"
  # The browser control covers (0, 27)-(895, 577): the background shows around it.
  check "main window background" "$(pixel "$shot" $((x + 4)) $((y + 590)))" EDEEF0
  check "title strip background" "$(pixel "$shot" $((x + 400)) $((y + 13)))" EDEEF0
  check "bottom strip background" "$(pixel "$shot" $((x + 450)) $((y + 590)))" EDEEF0
  [ "$(darkest "$shot" "40x12+$((x + 24))+$((y + 5))")" -lt 100 ] && check "caption drawn" yes yes ||
    check "caption drawn" no yes
  [ "$(darkest "$shot" "16x16+$((x + 4))+$((y + 4))")" -lt 200 ] && check "icon drawn" yes yes ||
    check "icon drawn" no yes
  check "settings button, first frame" "$(differs "$shot" $((x + 828)) $((y + 0)) "$(frame0 btn_cfg.png 21x26+0+0)" 21x26)" 0
  # The minimise button's outer columns lie under its neighbours.
  check "minimise button, first frame" "$(differs "$shot" $((x + 849)) $((y + 0)) "$(frame0 btn_mini.png 19x26+1+0)" 19x26)" 0
  check "close button, first frame" "$(differs "$shot" $((x + 868)) $((y + 0)) "$(frame0 btn_close.png 21x26+0+0)" 21x26)" 0

  # The settings button, clicked as a person would.
  xdotool mousemove $((x + 838)) $((y + 13)) click 1
  wait_mapped "$settings"
  xdotool mousemove 1 1
  sleep 1
  read -r dx dy < <(geometry "$settings")
  import -window root "$out/settings-dialog-$tag.png"
  shot="$out/settings-dialog-$tag.png"
  check "dialog centred over the main window" "$dx $dy" "$((x + (895 - 442) / 2)) $((y + (600 - 259) / 2))"
  check "dialog background" "$(pixel "$shot" $((dx + 200)) $((dy + 30)))" EDEEF0
  [ "$(darkest "$shot" "24x12+$((dx + 24))+$((dy + 5))")" -lt 100 ] && check "dialog caption drawn" yes yes ||
    check "dialog caption drawn" no yes
  check "dialog close button, first frame" "$(differs "$shot" $((dx + 415)) $dy "$(frame0 btn_close.png 21x26+0+0)" 21x26)" 0

  # Cancel, then end the client through the tray menu's last item.
  xdotool mousemove $((dx + 381)) $((dy + 228)) click 1
  sleep 1
  read -r tx ty < <(xwininfo -name "Wine System Tray" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
  xdotool mousemove $((tx + 10)) $((ty + 10)) click 3
  sleep 1
  import -window root "$out/tray-menu-$tag.png"
  xdotool key Down Down Down Down Return
  for _ in $(seq 1 100); do kill -0 $client 2>/dev/null || break; sleep 0.2; done
  if kill -0 $client 2>/dev/null; then
    check "client ended by the close" running ended
    kill $client
  else
    wait $client && code=0 || code=$?
    check "client exit code" "$code" 0
  fi
}

shoot zh_CN zh_CN.UTF-8 "设置"
shoot en C.UTF-8 "Settings"
echo "screenshots: $out/{main-window,settings-dialog,tray-menu}-{zh_CN,en}.png"
exit $fail
