#!/usr/bin/env bash
# Figures of the day's page for ROWS rows: the tool's time with --html beside the plain
# conversion (median of RUNS runs, peak memory), the page's size, and Chromium's time to load
# and paint it (a headless screenshot of the page, less one of an empty page: the browser's
# own start). Two exports: a month of one vehicle on its rounds (bench/month_export.py), and
# the test generator's, whose every row jumps and changes speed at random, the worst case.
# Usage: bench/page_bench.sh [ROWS=1000000] [RUNS=5]   (after scripts/build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${1:-1000000}
runs=${2:-5}
build=${BUILD_DIR:-build}
cli=$(realpath "$build/cli/trackkml-cli")
gen=$build/tests/trackkml-gen-export
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. bench/timing.sh
figures() {
  echo "export: $rows rows, $(($(stat -c %s "$work/day.csv") / 1024 / 1024)) MiB"
  timed plain "$cli" -q "$work/day.csv"
  timed html "$cli" -q --html --speed-limit 90 "$work/day.csv"
  echo "extra for --html: $(echo "$(cat "$work/html.s") - $(cat "$work/plain.s")" | bc -l | xargs printf '%.3f') s"
  echo "page: $(stat -c %s "$work/day.html") bytes, $(grep -o '<path' "$work/day.html" | wc -l) paths"

  browser=$(command -v chromium || true)
  [ -n "$browser" ] || { echo "no chromium: no paint time"; return; }
  printf '<!DOCTYPE html><title>empty</title>' >"$work/empty.html"
  shot() {
    local start=$EPOCHREALTIME
    "$browser" --headless --no-sandbox --disable-gpu --user-data-dir="$work/profile" \
      --window-size=1280,2000 --screenshot="$work/shot.png" "file://$1" >/dev/null 2>&1
    echo "$EPOCHREALTIME - $start" | bc -l
  }
  shot "$work/empty.html" >/dev/null  # a first start fills the profile
  empty=$(for ((i = 0; i < 3; i++)); do shot "$work/empty.html"; done | median)
  page=$(for ((i = 0; i < 3; i++)); do shot "$work/day.html"; done | median)
  printf 'chromium load and paint: %.3f s (%.3f s for the page, %.3f s for an empty one)\n' \
    "$(echo "$page - $empty" | bc -l)" "$page" "$empty"
}

echo "== a month on its rounds"
python3 bench/month_export.py "$rows" "$work/day.csv"
figures
echo "== every row at random"
"$gen" "$rows" "$work/day.csv" >/dev/null
figures
