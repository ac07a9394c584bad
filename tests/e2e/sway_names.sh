#!/usr/bin/env bash
# Real sway, headless: pictures whose names hold what sway's command language
# and its word expansion act on (commas as in every portal variant, blanks,
# quotes, '$(...)', non-ASCII) each become the wallpaper, as sway's own
# screenshot shows. A name sway cannot be told is refused, and said once.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_setup sway_names
for tool in sway swaymsg grim; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps.sh installs it)"
done

# sway will not run as root: it gets a user with no rights here.
as_sway=()
if [ "$(id -u)" = 0 ]; then
  as_sway=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  chown 65534:65534 "$WORK"
fi
chmod 0755 "$WORK"
run=$WORK/run pictures=$WORK/pictures
mkdir -p -m 0700 "$run"
mkdir -p -m 0755 "$pictures"
[ "$(id -u)" != 0 ] || chown 65534:65534 "$run"
echo 'output * bg #000000 solid_color' >"$WORK/sway.config"
chmod 0644 "$WORK/sway.config"
env -i PATH="$PATH" HOME="$WORK" XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
  WLR_RENDERER=pixman "${as_sway[@]}" sway -c "$WORK/sway.config" >"$WORK/sway.log" 2>&1 &
e2e_pids+=("$!")
wait_until 20 'ls "$run"/sway-ipc.*.sock >/dev/null 2>&1 && ls "$run"/wayland-? >/dev/null 2>&1' \
  || fail "sway did not start: $(tail -5 "$WORK/sway.log")"
sock=$(ls "$run"/sway-ipc.*.sock | head -1)
wayland=$(basename "$(ls "$run"/wayland-? | head -1)")

# The colour in the middle of sway's screen, as "R G B".
centre() {
  env XDG_RUNTIME_DIR="$run" WAYLAND_DISPLAY="$wayland" "${as_sway[@]}" grim -t ppm - 2>/dev/null | python3 -c '
import sys
data = sys.stdin.buffer.read()
fields = data.split(maxsplit=4)
w, h = int(fields[1]), int(fields[2])
pixels = fields[4]
i = ((h // 2) * w + w // 2) * 3
print(*pixels[i:i + 3])'
}

set_wallpaper() {
  env XDG_CURRENT_DESKTOP=sway SWAYSOCK="$sock" WAYLAND_DISPLAY="$wayland" XDG_RUNTIME_DIR="$run" \
    "$E2E_BIN/set_wallpaper" "$@"
}

names=("fjord,1920,1080.jpg" "my pics  two blanks.jpg" "it's \"quoted\".jpg" "a;b,c #1 *?[x]{y,z}~&|<>().jpg"
  '$(touch pwned) `id` $HOME \n \0.jpg' "图片 ü, nuit.jpg" "tab	cr$(printf '\r').jpg")
colours=("255 0 0" "0 255 0" "0 0 255" "255 255 0" "0 255 255" "255 0 255" "255 255 255")
for i in "${!names[@]}"; do
  file=$pictures/${names[$i]} colour=${colours[$i]}
  /usr/bin/convert -size 64x36 "xc:rgb(${colour// /,})" -quality 100 "$file"
  chmod 0644 "$file"
  set_wallpaper "$file" 2 || fail "sway refused '${names[$i]}': $(tail -3 "$WORK/sway.log")"
  wait_until 10 'close_rgb "$(centre)" "$colour"' || fail "sway shows $(centre), not $colour, for '${names[$i]}'"
  note "shown: ${names[$i]}"
done
[ ! -e "$WORK/pwned" ] && [ ! -e "$run/pwned" ] || fail "a file name ran a command"
grim_shot=$E2E_OUT/sway_names.png
env XDG_RUNTIME_DIR="$run" WAYLAND_DISPLAY="$wayland" "${as_sway[@]}" grim -t png - >"$grim_shot"

# A line break ends a sway command whatever the quotes: refused, said once,
# the wallpaper left as it was.
file=$pictures/$'line\nbreak.jpg'
/usr/bin/convert -size 64x36 xc:black "$file"
set_wallpaper "$file" 2 2 2>"$WORK/refused.log" && fail "a name with a line break was taken"
[ "$(grep -c 'line break' "$WORK/refused.log")" = 1 ] || fail "not said once: $(cat "$WORK/refused.log")"
close_rgb "$(centre)" "${colours[-1]}" || fail "the wallpaper changed to $(centre)"
echo "sway names ok"
