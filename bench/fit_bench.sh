#!/usr/bin/env bash
# Fits large pictures to 1920 pixels with our fitter, vipsthumbnail and
# ImageMagick side by side: time ratios (hyperfine), peak memory (max RSS),
# and the quality of our output (exact size, baseline, quality 90, PSNR
# against a Lanczos reference). For JPEG inputs it also times the floor:
# libjpeg-turbo's own decode at the smallest M/8 scale that still covers the
# target, plus the quality-90 encode of a picture of the target size. No
# fitter that decodes and encodes can beat that sum.
# Usage: bench/fit_bench.sh [build dir, default build/linux] [fitpic to compare]
# With a second fitpic (an older build, say) both are timed in the same run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# vipsthumbnail takes a relative output path as relative to its input's folder.
build=$(cd "${1:-$here/build/linux}" && pwd)
fitpic=$build/bin/fitpic
other=${2:+$(realpath "$2")}
work=$build/bench-fit
target=1920
im=/usr/bin/convert
mkdir -p "$work"
[ -x "$fitpic" ] || { echo "build fitpic first: cmake --build --preset linux" >&2; exit 1; }
[ -z "$other" ] || [ -x "$other" ] || { echo "not a program: $other" >&2; exit 1; }
for tool in hyperfine vipsthumbnail "$im" identify compare python3 djpeg cjpeg; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/deps.sh test installs it)" >&2; exit 1; }
done

# Photo-like content: a plasma fractal, slightly softened as a lens would.
# ImageMagick keeps 4:4:4 at quality 90 and above; cameras write 4:2:0.
make_jpeg() { # width height file [extra options]
  [ -f "$3" ] || "$im" -size "$1x$2" -seed 7 plasma:fractal -blur 0x0.7 -quality 92 "${@:4}" "$3"
}
make_jpeg 3840 2160 "$work/p3840x2160.jpg"
make_jpeg 7680 4320 "$work/p7680x4320.jpg"
make_jpeg 6000 4000 "$work/p6000x4000.jpg"
make_jpeg 2560 1440 "$work/p2560x1440-420.jpg" -sampling-factor 2x2
make_jpeg 6000 4000 "$work/p6000x4000-420.jpg" -sampling-factor 2x2
make_jpeg 4000 6000 "$work/p4000x6000-420.jpg" -sampling-factor 2x2
make_jpeg 7680 4320 "$work/p7680x4320-420.jpg" -sampling-factor 2x2
make_jpeg 7680 4320 "$work/p7680x4320-prog.jpg" -sampling-factor 2x2 -interlace JPEG
[ -f "$work/p7680x4320.bmp" ] || "$im" "$work/p7680x4320.jpg" -type TrueColor "BMP3:$work/p7680x4320.bmp"
[ -f "$work/p7680x4320-32.bmp" ] || "$im" "$work/p7680x4320.jpg" -type TrueColorAlpha \
  -define bmp:format=bmp4 "$work/p7680x4320-32.bmp"

max_rss_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
median_ms() { # json file, result index
  python3 -c 'import json, sys; print("%.1f" % (json.load(open(sys.argv[1]))["results"][int(sys.argv[2])]["median"] * 1000))' "$@"
}

header=(input ours_ms)
[ -z "$other" ] || header+=(other_ms)
header+=(vips_ms im_ms floor_ms ours/vips ours/im ours/floor ours_MB vips_MB PSNR)
[ -z "$other" ] || header+=(other_PSNR)
header+=(checks)
printf '%-22s' "${header[0]}"; printf ' %9s' "${header[@]:1:${#header[@]}-2}"; printf ' %s\n' checks
status=0
for input in p3840x2160.jpg p7680x4320.jpg p6000x4000.jpg p2560x1440-420.jpg p6000x4000-420.jpg \
             p4000x6000-420.jpg p7680x4320-420.jpg p7680x4320-prog.jpg p7680x4320.bmp p7680x4320-32.bmp; do
  in=$work/$input
  ours=$work/ours.jpg vips=$work/vips.jpg imout=$work/im.jpg
  read -r w h < <(identify -format '%w %h\n' "$in" | head -n 1)
  want_h=$(( target * h / w ))
  cmds=("$fitpic $in $target $ours")
  [ -z "$other" ] || cmds+=("$other $in $target $work/other.jpg")
  cmds+=("vipsthumbnail $in -s ${target}x -o $vips[Q=90]" "$im $in -resize ${target}x -quality 90 $imout")
  floor=-
  if [[ $input == *.jpg ]]; then
    # The smallest M/8 whose (rounded up) width still covers the target.
    m=1
    while (( (w * m + 7) / 8 < target )); do m=$(( m + 1 )); done
    "$im" "$in" -resize "${target}x${want_h}!" "$work/target.ppm"
    cmds+=("djpeg -scale $m/8 -outfile /dev/null $in" "cjpeg -quality 90 -outfile /dev/null $work/target.ppm")
  fi
  hyperfine -N -w 1 -m 5 -M 15 --export-json "$work/times.json" "${cmds[@]}" >/dev/null 2>&1
  i=0
  t_ours=$(median_ms "$work/times.json" $i)
  t_other=-
  [ -z "$other" ] || { i=$(( i + 1 )); t_other=$(median_ms "$work/times.json" $i); }
  t_vips=$(median_ms "$work/times.json" $(( i + 1 )))
  t_im=$(median_ms "$work/times.json" $(( i + 2 )))
  if [[ $input == *.jpg ]]; then
    floor=$(python3 -c 'import sys; print("%.1f" % (float(sys.argv[1]) + float(sys.argv[2])))' \
      "$(median_ms "$work/times.json" $(( i + 3 )))" "$(median_ms "$work/times.json" $(( i + 4 )))")
  fi
  m_ours=$(max_rss_kb "$fitpic" "$in" $target "$ours")
  m_vips=$(max_rss_kb vipsthumbnail "$in" -s ${target}x -o "$vips[Q=90]")

  checks=ok
  [ "$(identify -format '%w %h' "$ours")" = "$target $want_h" ] || checks="size!"
  [ "$(identify -format '%Q' "$ours")" = 90 ] || checks="$checks quality!"
  python3 - "$ours" <<'PY' || checks="$checks not-baseline!"
import sys
d = open(sys.argv[1], "rb").read()
sys.exit(0 if b"\xff\xc0" in d and b"\xff\xc2" not in d else 1)
PY
  "$im" "$in" -filter Lanczos -resize "${target}x${want_h}!" "$work/ref.png"
  psnr=$(compare -metric PSNR "$ours" "$work/ref.png" null: 2>&1 | cut -d' ' -f1 || true)
  python3 -c 'import sys; sys.exit(0 if float(sys.argv[1]) >= 35 else 1)' "$psnr" || checks="$checks psnr<35!"
  psnr_other=-
  [ -z "$other" ] || psnr_other=$(compare -metric PSNR "$work/other.jpg" "$work/ref.png" null: 2>&1 | cut -d' ' -f1 || true)
  [ "$checks" = ok ] || status=1
  python3 - "$input" "$t_ours" "$t_other" "$t_vips" "$t_im" "$floor" "$m_ours" "$m_vips" "$psnr" "$psnr_other" "$checks" <<'PY'
import sys
n, to, tt, tv, ti, tf, mo, mv, p, po, c = sys.argv[1:]
to, tv, ti = float(to), float(tv), float(ti)
row = "%-22s %9.1f" % (n, to)
if tt != "-":
    row += " %9s" % tt
ratio = "%9.2f" % (to / float(tf)) if tf != "-" else "%9s" % "-"
row += " %9.1f %9.1f %9s %9.2f %9.2f %s %9.1f %9.1f %9.2f" % (
    tv, ti, tf, to / tv, to / ti, ratio, int(mo) / 1024, int(mv) / 1024, float(p))
if po != "-":
    row += " %9.2f" % float(po)
print(row + " " + c)
PY
done
echo "times are medians; ratios below 1 mean ours is faster; the floor is djpeg at M/8 plus cjpeg -quality 90"
exit $status
