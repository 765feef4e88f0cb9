#!/usr/bin/env bash
# Times trackkml-cli against gpsbabel and ogr2ogr converting the same fixes to KML, and
# against the disk's floor: dd writing as many bytes as trackkml's KML with conv=fsync. Then the
# extra outputs: --timestamps --gpx against dd writing the KML and GPX's bytes, and each form
# of --report against the plain conversion, with their memory budgets.
# Prints median wall times over RUNS runs, the ratios and each one's peak memory.
# Usage: bench/cli_vs_peers.sh [ROWS=1000000] [RUNS=5]   (after scripts/build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${1:-1000000}
runs=${2:-5}
build=${BUILD_DIR:-build}
cli=$build/cli/trackkml-cli
gen=$build/tests/trackkml-gen-export
for tool in "$cli" "$gen" /usr/bin/time gpsbabel ogr2ogr; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/build.sh)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$gen" "$rows" "$work/day.csv" "$work/fixes.csv" >/dev/null
export_bytes=$(stat -c %s "$work/day.csv")

# measure NAME OUTPUT COMMAND...: median time and peak memory over the runs of one command
measure() {
  local name=$1 output=$2; shift 2
  local times=() peak=0
  for ((i = 0; i < runs; i++)); do
    # Every output gone first: replacing a large file costs the freeing of its blocks.
    rm -f "$output" "$work/day.gpx" "$work/week.xlsx"
    # Wall time to the microsecond from the shell (time's own is in hundredths).
    local start=$EPOCHREALTIME
    /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
      echo "$name failed:"; cat "$work/stderr.txt"; exit 1; }
    local end=$EPOCHREALTIME
    times+=("$(echo "$end - $start" | bc -l)")
    local kib
    kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    ((kib > peak)) && peak=$kib
  done
  median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
  printf '%-12s median %8.4f s   peak %8.1f MiB   KML %7.1f MiB\n' "$name" "$median" \
    "$(echo "$peak / 1024" | bc -l)" "$(echo "$(stat -c %s "$output") / 1048576" | bc -l)"
  eval "median_$name=$median; peak_$name=$peak"
}

echo "export: $rows rows, $(echo "$export_bytes / 1048576" | bc -l | xargs printf '%.1f') MiB; $runs runs each"
measure trackkml "$work/day.kml" "$cli" -q "$work/day.csv"
measure gpsbabel "$work/out_gpsbabel.kml" \
  gpsbabel -i unicsv -f "$work/fixes.csv" -o kml -F "$work/out_gpsbabel.kml"
measure ogr2ogr "$work/out_ogr.kml" ogr2ogr -f KML "$work/out_ogr.kml" "$work/fixes.csv" \
  -oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat -a_srs EPSG:4326

# As many bytes as trackkml's KML (the last run's), to the nearest MiB above.
kml_mib=$(( ($(stat -c %s "$work/day.kml") + 1048575) / 1048576 ))
measure dd_floor "$work/dd.out" dd if=/dev/zero of="$work/dd.out" bs=1M count="$kml_mib" conv=fsync

ratio() { echo "$1 / $2" | bc -l | xargs printf '%.2f'; }
echo "gpsbabel / trackkml: $(ratio "$median_gpsbabel" "$median_trackkml")x"
echo "ogr2ogr / trackkml:  $(ratio "$median_ogr2ogr" "$median_trackkml")x"
echo "trackkml / dd floor: $(ratio "$median_trackkml" "$median_dd_floor")x"
budget_kib=$((export_bytes / 1024 + 64 * 1024))
echo "trackkml peak $((peak_trackkml / 1024)) MiB; budget (export + 64 MiB) $((budget_kib / 1024)) MiB"

# The extra outputs: times and a GPX at the disk's speed, the facts at half the conversion's.
measure ts_gpx "$work/day.kml" "$cli" -q --timestamps --gpx "$work/day.csv"
both_mib=$(( ($(stat -c %s "$work/day.kml") + $(stat -c %s "$work/day.gpx") + 1048575) / 1048576 ))
measure dd_both "$work/dd.out" dd if=/dev/zero of="$work/dd.out" bs=1M count="$both_mib" conv=fsync
measure report "$work/day.kml" "$cli" -q --report "$work/day.csv"
measure report_csv "$work/day.kml" "$cli" -q --report=csv "$work/day.csv"
measure report_xlsx "$work/day.kml" "$cli" -q --report=xlsx "$work/week.xlsx" "$work/day.csv"
echo "--timestamps --gpx / dd floor of KML + GPX: $(ratio "$median_ts_gpx" "$median_dd_both")x (target 1.5x);" \
  "peak $((peak_ts_gpx / 1024)) MiB, budget $((budget_kib / 1024)) MiB"
budget_report_kib=$((export_bytes / 1024 + 32 * 1024))
for form in report report_csv report_xlsx; do
  eval "t=\$median_$form; p=\$peak_$form"
  echo "$form: adds $(echo "$t - $median_trackkml" | bc -l | xargs printf '%.3f') s to the" \
    "conversion's $(printf '%.3f' "$median_trackkml") s ($(ratio "$(echo "$t - $median_trackkml" | bc -l)" "$median_trackkml")x, target 0.5x);" \
    "peak $((p / 1024)) MiB, budget $((budget_report_kib / 1024)) MiB"
done
