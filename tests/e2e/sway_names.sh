#!/usr/bin/env bash
# Real sway, headless: pictures whose names hold what sway's command language
# and its word expansion act on (commas as in every portal variant, blanks,
# quotes, '$(...)', non-ASCII) each become the wallpaper, as sway's own
# screenshot shows. A name sway cannot be told is refused, and said once.
# Then sway restarts, forgetting its background, and the client started
# with the session shows the last pick again.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_setup sway_names
start_sway
pictures=$WORK/pictures
mkdir -p -m 0755 "$pictures"

set_wallpaper() {
  env XDG_CURRENT_DESKTOP=sway SWAYSOCK="$SWAY_SOCK" "$E2E_BIN/set_wallpaper" "$@"
}

names=("fjord,1920,1080.jpg" "my pics  two blanks.jpg" "it's \"quoted\".jpg" "a;b,c #1 *?[x]{y,z}~&|<>().jpg"
  '$(touch pwned) `id` $HOME \n \0.jpg' "图片 ü, nuit.jpg" "tab	cr$(printf '\r').jpg")
colours=("255 0 0" "0 255 0" "0 0 255" "255 255 0" "0 255 255" "255 0 255" "255 255 255")
for i in "${!names[@]}"; do
  file=$pictures/${names[$i]} colour=${colours[$i]}
  /usr/bin/convert -size 64x36 "xc:rgb(${colour// /,})" -quality 100 "$file"
  chmod 0644 "$file"
  set_wallpaper "$file" 2 || fail "sway refused '${names[$i]}': $(tail -3 "$WORK/sway.log")"
  wait_until 10 'close_rgb "$(sway_centre)" "$colour"' || fail "sway shows $(sway_centre), not $colour, for '${names[$i]}'"
  note "shown: ${names[$i]}"
done
[ ! -e "$WORK/pwned" ] && [ ! -e "$WORK/sway-run/pwned" ] || fail "a file name ran a command"

# A line break ends a sway command whatever the quotes: refused, said once,
# the wallpaper left as it was.
file=$pictures/$'line\nbreak.jpg'
/usr/bin/convert -size 64x36 xc:black "$file"
set_wallpaper "$file" 2 2 2>"$WORK/refused.log" && fail "a name with a line break was taken"
[ "$(grep -c 'line break' "$WORK/refused.log")" = 1 ] || fail "not said once: $(cat "$WORK/refused.log")"
close_rgb "$(sway_centre)" "${colours[-1]}" || fail "the wallpaper changed to $(sway_centre)"

# The next login: sway starts without the pick, then the client starts.
stop_sway
start_sway
wait_until 10 'close_rgb "$(sway_centre)" "0 0 0"' || fail "sway kept its background: $(sway_centre)"
write_config "WallPaper=$pictures/${names[0]}"
export XDG_CURRENT_DESKTOP=sway SWAYSOCK=$SWAY_SOCK PICTAVO_STATUS_PORT=$(free_port)
start_client "http://127.0.0.1:$(free_port)/"
wait_until 30 'close_rgb "$(sway_centre)" "${colours[0]}"' || fail "the client did not show its pick again: $(sway_centre)"
sway_grim "$E2E_OUT/sway_restart.png"
echo "sway names ok"
