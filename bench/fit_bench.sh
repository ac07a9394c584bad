#!/usr/bin/env bash
# Fits large pictures to 1920 pixels with our fitter, vipsthumbnail and
# ImageMagick side by side: time ratios (hyperfine), peak memory (max RSS),
# and the quality of our output (exact size, baseline, quality 90, PSNR
# against a Lanczos reference).
# Usage: bench/fit_bench.sh [build dir, default build/linux]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/linux}
fitpic=$build/bin/fitpic
work=$build/bench-fit
target=1920
im=/usr/bin/convert
mkdir -p "$work"
[ -x "$fitpic" ] || { echo "build fitpic first: cmake --build --preset linux" >&2; exit 1; }
for tool in hyperfine vipsthumbnail "$im" identify compare python3; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/deps.sh test installs it)" >&2; exit 1; }
done

# Photo-like content: a plasma fractal, slightly softened as a lens would.
make_jpeg() { # width height file
  [ -f "$3" ] || "$im" -size "$1x$2" -seed 7 plasma:fractal -blur 0x0.7 -quality 92 "$3"
}
make_jpeg 3840 2160 "$work/p3840x2160.jpg"
make_jpeg 7680 4320 "$work/p7680x4320.jpg"
make_jpeg 6000 4000 "$work/p6000x4000.jpg"
[ -f "$work/p7680x4320.bmp" ] || "$im" "$work/p7680x4320.jpg" -type TrueColor "BMP3:$work/p7680x4320.bmp"

max_rss_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }

printf '%-16s %9s %9s %9s %7s %7s %9s %9s %9s %6s %s\n' input ours_ms vips_ms im_ms \
  ours/vips ours/im ours_MB vips_MB im_MB PSNR checks
status=0
for input in p3840x2160.jpg p7680x4320.jpg p6000x4000.jpg p7680x4320.bmp; do
  in=$work/$input
  ours=$work/ours.jpg vips=$work/vips.jpg imout=$work/im.jpg
  hyperfine -N -w 1 -m 5 -M 15 --export-json "$work/times.json" \
    "$fitpic $in $target $ours" \
    "vipsthumbnail $in -s ${target}x -o $vips[Q=90]" \
    "$im $in -resize ${target}x -quality 90 $imout" >/dev/null 2>&1
  read -r t_ours t_vips t_im < <(python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))["results"]
print(*("%.1f" % (x["median"] * 1000) for x in r))' "$work/times.json")
  m_ours=$(max_rss_kb "$fitpic" "$in" $target "$ours")
  m_vips=$(max_rss_kb vipsthumbnail "$in" -s ${target}x -o "$vips[Q=90]")
  m_im=$(max_rss_kb "$im" "$in" -resize ${target}x -quality 90 "$imout")

  read -r w h < <(identify -format '%w %h\n' "$in" | head -n 1)
  want_h=$(( target * h / w ))
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
  [ "$checks" = ok ] || status=1
  python3 - "$input" "$t_ours" "$t_vips" "$t_im" "$m_ours" "$m_vips" "$m_im" "$psnr" "$checks" <<'PY'
import sys
n, to, tv, ti, mo, mv, mi, p, c = sys.argv[1:]
to, tv, ti = float(to), float(tv), float(ti)
print("%-16s %9.1f %9.1f %9.1f %7.2f %7.2f %9.1f %9.1f %9.1f %6.2f %s" % (
    n, to, tv, ti, to / tv, to / ti, int(mo) / 1024, int(mv) / 1024, int(mi) / 1024, float(p), c))
PY
done
echo "times are medians; ratios below 1 mean ours is faster"
exit $status
