#!/usr/bin/env bash
# What each output option costs beside the plain conversion, side by side in one run on a
# realistic month (bench/month_export.py): the median wall time of RUNS runs and the peak
# memory of each, the GPX run beside `dd conv=fsync` of as many bytes as it writes, and each
# ratio the options are held to (--report at most +50%, --timestamps --gpx at most 1.5x dd,
# --html at most 3x plain; memory at most the export + 64 MiB, + 150 MiB with --html).
# Usage: bench/options_bench.sh [ROWS=1000000] [RUNS=5]   (after scripts/build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${1:-1000000}
runs=${2:-5}
build=${BUILD_DIR:-build}
cli=$(realpath "$build/cli/trackkml-cli")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. bench/timing.sh
ratio() { echo "$(cat "$work/$1.s") / $(cat "$work/$2.s")" | bc -l | xargs printf '%.2f'; }

python3 bench/month_export.py "$rows" "$work/day.csv"
export_mib=$(($(stat -c %s "$work/day.csv") / 1024 / 1024))
echo "export: $rows rows, $export_mib MiB"
timed plain "$cli" -q "$work/day.csv"
timed report "$cli" -q --report "$work/day.csv"
timed timestamps-gpx "$cli" -q --timestamps --gpx "$work/day.csv"
"$cli" -q --timestamps --gpx "$work/day.csv"
bytes=$(($(stat -c %s "$work/day.kml") + $(stat -c %s "$work/day.gpx")))
timed dd-same-bytes dd if=/dev/zero of="$work/dd.out" bs=1M count=$(((bytes + 1048575) / 1048576)) conv=fsync
timed html "$cli" -q --html "$work/day.csv"

echo
echo "--report / plain:             $(ratio report plain)   (at most 1.50)"
echo "--timestamps --gpx / dd:      $(ratio timestamps-gpx dd-same-bytes)   (at most 1.50; $((bytes / 1048576)) MiB)"
echo "--html / plain:               $(ratio html plain)   (at most 3.00)"
echo "memory over the export:       plain $(($(cat "$work/plain.mib") - export_mib)), report $(($(cat "$work/report.mib") - export_mib)), gpx $(($(cat "$work/timestamps-gpx.mib") - export_mib)) MiB (at most 64); html $(($(cat "$work/html.mib") - export_mib)) MiB (at most 214)"
