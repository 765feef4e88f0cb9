#!/usr/bin/env bash
# The Windows tool under Wine writes exactly the bytes the Linux tool writes: the golden pair,
# a generated export, and a Greek file name.
# Usage: windows_tool_test.sh TRACKKML-CLI.EXE GEN-EXPORT.EXE LINUX-TRACKKML-CLI DATA-DIR
set -euo pipefail
run="$(dirname "$0")/../scripts/wine-run.sh"
exe=$1 gen=$2 linux=$3 data=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cp "$data/day.csv" "$work/day.csv"
"$run" "$exe" -q "Z:$work/day.csv" || fail "converting the golden export"
cmp "$work/day.kml" "$data/day.kml" || fail "KML differs from the golden file"
"$run" "$exe" --summary "Z:$work/day.csv" >"$work/summary.txt" || fail "summary"
cmp "$work/summary.txt" "$data/day-summary.txt" || fail "summary differs from the golden file"

"$run" "$gen" 3000 "Z:$work/gen.csv" >/dev/null || fail "generating"
"$linux" --stdout "$work/gen.csv" >"$work/linux.kml"
"$run" "$exe" --stdout "Z:$work/gen.csv" >"$work/windows.kml" || fail "--stdout"
cmp "$work/windows.kml" "$work/linux.kml" || fail "KML of a generated export differs"

# -o with a Windows folder spelled with backslashes and a drive letter.
mkdir "$work/out"
winwork="Z:${work//\//\\}"
"$run" "$exe" -q -o "$winwork\\out" "$winwork\\gen.csv" || fail "-o with backslashes"
cmp "$work/out/gen.kml" "$work/linux.kml" || fail "KML written with -o differs"

greek="$work/ημέρα.csv"
cp "$work/gen.csv" "$greek"
report=$("$run" "$exe" "Z:$greek") || fail "converting a Greek name"
cmp "$work/ημέρα.kml" "$work/linux.kml" || fail "KML under a Greek name differs"
[[ $report == *"ημέρα.csv -> "*"ημέρα.kml: "* ]] || fail "report shows the name as: $report"
# Times through the zone files shipped beside the program: the timed KML, the GPX and the
# report as the Linux tool makes them with the system's zone files (Athens, and a zone on the
# other side of UTC).
for zone in Europe/Athens America/New_York; do
  mkdir -p "$work/$zone/linux" "$work/$zone/windows"
  cp "$data/day.csv" "$work/$zone/linux/day.csv"
  cp "$data/day.csv" "$work/$zone/windows/day.csv"
  "$linux" --timestamps --gpx --report --time-zone "$zone" "$work/$zone/linux/day.csv" \
    >"$work/$zone/linux.txt" 2>/dev/null
  "$run" "$exe" --timestamps --gpx --report --time-zone "$zone" "Z:$work/$zone/windows/day.csv" \
    >"$work/$zone/windows.txt" 2>/dev/null || fail "time options in $zone"
  for f in day.kml day.gpx; do
    cmp "$work/$zone/windows/$f" "$work/$zone/linux/$f" || fail "$f in $zone differs"
  done
  sed 's/Z:.*windows.//' "$work/$zone/windows.txt" | tr -d '\r' >"$work/$zone/windows-report.txt"
  sed 's/^.*linux.//' "$work/$zone/linux.txt" >"$work/$zone/linux-report.txt"
  cmp "$work/$zone/windows-report.txt" "$work/$zone/linux-report.txt" || fail "report in $zone differs"
done
"$run" "$exe" --timestamps --time-zone Europe/Nowhere "Z:$work/day.csv" 2>/dev/null &&
  fail "an unknown zone was taken"
echo "ok: golden pair, generated export, Greek name and the time options give the Linux tool's bytes"
