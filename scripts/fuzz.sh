#!/usr/bin/env bash
# Runs every built fuzz target (build/fuzz/fuzz/fuzz_<name>) for the given
# number of seconds each (default 30), starting from a scratch copy of
# fuzz/corpus/<name>/ so the repository's seeds never grow. Extra libFuzzer
# flags for one target may stand in fuzz/<name>.args. A crash, a sanitizer
# report or a broken invariant fails the run; the input that did it is kept in
# build/fuzz/artifacts/<name>/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
bin="$here/build/fuzz/fuzz"

shopt -s nullglob
targets=("$bin"/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "No fuzz targets in $bin: run 'cmake --preset fuzz && cmake --build --preset fuzz' first." >&2
  exit 2
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

failed=0
for exe in "${targets[@]}"; do
  [ -x "$exe" ] || continue
  name=${exe##*/fuzz_}
  work="$scratch/$name"
  mkdir -p "$work/corpus" "$work/artifacts"
  if [ -d "$here/fuzz/corpus/$name" ]; then
    cp -R "$here/fuzz/corpus/$name/." "$work/corpus/"
  fi
  args=(-max_len=4096 -timeout=10 -rss_limit_mb=2048)
  if [ -f "$here/fuzz/$name.args" ]; then
    read -r -a extra < "$here/fuzz/$name.args"
    args+=("${extra[@]}")
  fi
  echo "=== fuzz_$name for ${seconds}s"
  if "$exe" "${args[@]}" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/log" || true
    grep -m1 -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9/]+[a-zA-Z]*' <(tac "$work/log") || true
  else
    failed=1
    tail -n 40 "$work/log" >&2
    mkdir -p "$here/build/fuzz/artifacts/$name"
    cp -R "$work/artifacts/." "$here/build/fuzz/artifacts/$name/"
    echo "fuzz_$name FAILED; inputs kept in build/fuzz/artifacts/$name/" >&2
  fi
done
exit $failed
