#!/usr/bin/env bash
# Renders the real program's main window, settings dialog and tray menu under
# Wine on the X display, in Chinese and in English (Wine takes the user's
# interface language from LANG), at 96, 144 and 192 dpi, keeps the
# screenshots for a person to look at, and checks their geometry (the 96 dpi
# design times the scale) and pixels: the background, the caption, and each
# title button's first frame (the checked-in strip of that scale blended over
# the background colour).
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
  /usr/bin/compare -metric AE -fuzz "$(fuzz)" "$work/area.png" "$4" null: 2>&1 || true
}
# A length of the 96 dpi design at the current dpi, rounded as the program does.
s() { echo $(( ($1 * dpi + 48) / 96 )); }
# The strip drawn at this dpi: the 96 dpi one, the larger one 1:1 at 192, and
# between them the larger one shrunk, with a tolerance for the program's filter that
# still tells it from the smaller one blown up.
strip() { case $dpi in 96) echo "${1%.png}.png" ;; *) echo "${1%.png}@2x.png" ;; esac; }
frame0() { # strip, crop (in 96 dpi pixels) of frame 0 to compare
  local w h x y
  IFS='x+' read -r w h x y <<<"$2"
  local f=$((dpi > 96 ? 2 : 1))
  /usr/bin/convert "$src/resources/$(strip "$1")" -crop $((21 * f))x$((26 * f))+0+0 +repage \
    -background '#EDEEF0' -flatten -resize "$(s 21)x$(s 26)!" \
    -crop "$(s "$w")x$(s "$h")+$(s "$x")+$(s "$y")" +repage "$work/$1"
  echo "$work/$1"
}
fuzz() { case $dpi in 96 | 192) echo 4% ;; *) echo 8% ;; esac; }
# The darkest grey level (0-255) of an area: text or icon makes it low.
darkest() { /usr/bin/convert "$1" -crop "$2" -colorspace gray -format "%[fx:int(255*minima)]" info:; }
geometry() { # window name -> "x y width height"
  xwininfo -root -tree | grep -F "\"$1\": (\"pictavo.exe\"" | grep -oE '[0-9]+x[0-9]+\+[0-9]+\+[0-9]+ ' |
    head -1 | sed -E 's/([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+) /\3 \4 \1 \2/'
}
within() { # what, actual, expected, tolerance
  local d=$(($2 - $3))
  [ ${d#-} -le "$4" ] && check "$1" ok ok || check "$1" "$2" "$3 (within $4)"
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
  local tag=$1-$dpi locale=$2 settings=$3
  echo "--- $tag"
  xdotool mousemove 1 1
  port=$((20000 + RANDOM % 20000))
  ( cd "$bin" && exec env LANG="$locale" LC_ALL="$locale" PICTAVO_STATUS_PORT=$port wine cmd /c Pictavo.exe ) &
  client=$!
  wait_mapped Pictavo
  sleep 1
  read -r x y w h < <(geometry Pictavo)
  import -window root "$out/main-window-$tag.png"
  shot="$out/main-window-$tag.png"
  echo "main window ${w}x${h}"
  within "main window width" "$w" "$(s 895)" 2
  within "main window height" "$h" "$(s 600)" 2
  # The browser control covers (0, 27)-(895, 577): the background shows around it.
  check "main window background" "$(pixel "$shot" $((x + $(s 4))) $((y + $(s 590))))" EDEEF0
  check "title strip background" "$(pixel "$shot" $((x + $(s 400))) $((y + $(s 13))))" EDEEF0
  check "bottom strip background" "$(pixel "$shot" $((x + $(s 450))) $((y + $(s 590))))" EDEEF0
  [ "$(darkest "$shot" "$(s 40)x$(s 12)+$((x + $(s 24)))+$((y + $(s 5)))")" -lt 100 ] && check "caption drawn" yes yes ||
    check "caption drawn" no yes
  # Text in points: the caption's ink reaches as far down as the scale says.
  [ "$(darkest "$shot" "$(s 40)x$(s 4)+$((x + $(s 24)))+$((y + $(s 12)))")" -lt 100 ] && check "caption at scale" yes yes ||
    check "caption at scale" no yes
  [ "$(darkest "$shot" "$(s 16)x$(s 16)+$((x + $(s 4)))+$((y + $(s 4)))")" -lt 200 ] && check "icon drawn" yes yes ||
    check "icon drawn" no yes
  check "settings button, first frame" "$(differs "$shot" $((x + $(s 828))) $y "$(frame0 btn_cfg.png 21x26+0+0)" "$(s 21)x$(s 26)")" 0
  # The minimise button's outer columns lie under its neighbours.
  check "minimise button, first frame" "$(differs "$shot" $((x + $(s 849))) $y "$(frame0 btn_mini.png 19x26+1+0)" "$(s 19)x$(s 26)")" 0
  check "close button, first frame" "$(differs "$shot" $((x + $(s 868))) $y "$(frame0 btn_close.png 21x26+0+0)" "$(s 21)x$(s 26)")" 0

  # The settings button, clicked as a person would.
  xdotool mousemove $((x + $(s 838))) $((y + $(s 13))) click 1
  wait_mapped "$settings"
  xdotool mousemove 1 1
  sleep 1
  read -r dx dy dw dh < <(geometry "$settings")
  import -window root "$out/settings-dialog-$tag.png"
  shot="$out/settings-dialog-$tag.png"
  echo "settings dialog ${dw}x${dh}"
  [ "$dw" -ge $(($(s 442) - 2)) ] && check "dialog width in proportion" yes yes || check "dialog width in proportion" "$dw" "$(s 442)"
  within "dialog height" "$dh" "$(s 259)" 2
  check "dialog centred over the main window" "$dx $dy" "$((x + (w - dw) / 2)) $((y + (h - dh) / 2))"
  check "dialog background" "$(pixel "$shot" $((dx + $(s 200))) $((dy + $(s 30))))" EDEEF0
  [ "$(darkest "$shot" "$(s 24)x$(s 12)+$((dx + $(s 24)))+$((dy + $(s 5)))")" -lt 100 ] && check "dialog caption drawn" yes yes ||
    check "dialog caption drawn" no yes
  check "dialog close button, first frame" \
    "$(differs "$shot" $((dx + dw - $(s 27))) $dy "$(frame0 btn_close.png 21x26+0+0)" "$(s 21)x$(s 26)")" 0

  # Cancel, then end the client through the tray menu's last item.
  xdotool mousemove $((dx + dw - $(s 61))) $((dy + $(s 228))) click 1
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

# The scale Wine gives a program that declares itself aware of it, read at
# each program's start; put back for the other window tests.
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
trap 'set_dpi 96; rm -rf "$work"' EXIT

read -r screen_w screen_h < <(xwininfo -root | awk '/^  Width:/ {w=$2} /^  Height:/ {h=$2} END {print w, h}')
for dpi in ${PICTAVO_SCREENSHOT_DPIS:-96 144 192}; do
  if [ "$(s 895)" -gt "$screen_w" ] || [ "$(s 600)" -gt $((screen_h - 100)) ]; then
    check "a ${screen_w}x${screen_h} screen holds the main window at $dpi dpi" no yes
    continue
  fi
  set_dpi "$dpi"
  shoot zh_CN zh_CN.UTF-8 "设置"
  shoot en C.UTF-8 "Settings"
done
echo "screenshots: $out/{main-window,settings-dialog,tray-menu}-{zh_CN,en}-{96,144,192}.png"
exit $fail
