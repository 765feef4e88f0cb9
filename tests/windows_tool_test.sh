#!/usr/bin/env bash
# The Windows tool under Wine writes exactly the bytes the Linux tool writes: the golden pair,
# a generated export, a Greek file name, and the times of every zone it ships; and it behaves
# as a console tool should in cmd: wildcards, redirections, the console's code page.
# Usage: windows_tool_test.sh TRACKKML-CLI.EXE GEN-EXPORT.EXE LINUX-TRACKKML-CLI DATA-DIR
set -euo pipefail
# The tools are given no input: Wine gives a program started from a terminal a console of its
# own, where trackkml-cli.exe would wait for a key as when started from Explorer.
exec </dev/null
run="$(dirname "$0")/../scripts/wine-run.sh"
exe=$1 gen=$2 linux=$3 data=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# A host path as cmd spells it.
winpath() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

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
# Pages of exports in a Greek folder, one with a Greek name: the index beside them links them
# as the Linux tool's does.
for side in linux windows; do
  mkdir -p "$work/$side-pages/Ημέρες"
  cp "$data/day.csv" "$work/$side-pages/Ημέρες/ημέρα.csv"
  cp "$data/day.csv" "$work/$side-pages/Ημέρες/b.csv"
done
"$linux" -q --html "$work/linux-pages/Ημέρες/ημέρα.csv" "$work/linux-pages/Ημέρες/b.csv"
"$run" "$exe" -q --html "Z:$work/windows-pages/Ημέρες/ημέρα.csv" \
  "Z:$work/windows-pages/Ημέρες/b.csv" || fail "--html in a Greek folder"
cmp "$work/windows-pages/Ημέρες/index.html" "$work/linux-pages/Ημέρες/index.html" ||
  fail "the index of Greek pages differs from the Linux tool's"
# Times through the zone files shipped beside the program: the timed KML, the GPX and the
# report as the Linux tool makes them with the system's zone files (Athens, and a zone on the
# other side of UTC).
for zone in Europe/Athens America/New_York; do
  mkdir -p "$work/$zone/linux" "$work/$zone/windows"
  cp "$data/day.csv" "$work/$zone/linux/day.csv"
  cp "$data/day.csv" "$work/$zone/windows/day.csv"
  facts=(--speed-limit 100 --stop-minutes 0 --report=xlsx)
  "$linux" --timestamps --gpx --report --time-zone "$zone" "${facts[@]}" "$work/$zone/linux/day.xlsx" \
    "$work/$zone/linux/day.csv" >"$work/$zone/linux.txt" 2>/dev/null
  "$run" "$exe" --timestamps --gpx --report --time-zone "$zone" "${facts[@]}" \
    "Z:$work/$zone/windows/day.xlsx" "Z:$work/$zone/windows/day.csv" >"$work/$zone/windows.txt" \
    2>/dev/null || fail "time options in $zone"
  # The workbooks hold the same cells, but for the file's own name.
  /usr/bin/python3 - "$work/$zone/linux/day.xlsx" "$work/$zone/windows/day.xlsx" <<'EOF' ||
import sys, openpyxl
def cells(name):
    book = openpyxl.load_workbook(name)
    return [[row[1:] for row in sheet.iter_rows(values_only=True)] for sheet in book]
sys.exit(cells(sys.argv[1]) != cells(sys.argv[2]))
EOF
    fail "workbook in $zone differs"
  for f in day.kml day.gpx; do
    cmp "$work/$zone/windows/$f" "$work/$zone/linux/$f" || fail "$f in $zone differs"
  done
  sed 's/Z:.*windows.//' "$work/$zone/windows.txt" | tr -d '\r' >"$work/$zone/windows-report.txt"
  sed 's/^.*linux.//' "$work/$zone/linux.txt" >"$work/$zone/linux-report.txt"
  cmp "$work/$zone/windows-report.txt" "$work/$zone/linux-report.txt" || fail "report in $zone differs"
done
"$run" "$exe" --timestamps --time-zone Europe/Nowhere "Z:$work/day.csv" 2>/dev/null &&
  fail "an unknown zone was taken"
echo "ok: golden pair, generated export, Greek names, their index and the time options give the Linux tool's bytes"

# A save that is killed halfway leaves the old KML and no temporary file.
mkdir "$work/killed"
"$run" "$gen" 300000 "Z:$work/killed/big.csv" >/dev/null || fail "generating"
echo old >"$work/killed/big.kml"
"$run" "$exe" -q "Z:$work/killed/big.csv" &
for _ in $(seq 400); do
  ls -A "$work/killed" | grep -q '\.tmp$' && break
  sleep 0.02
done
ls -A "$work/killed" | grep -q '\.tmp$' || fail "no temporary file seen while saving"
pkill -KILL -f 'trackkml-cli.exe.*killed' || true
wait || true
sleep 1
[ "$(ls -A "$work/killed")" = "$(printf 'big.csv\nbig.kml')" ] || fail "left: $(ls -A "$work/killed")"
[ "$(cat "$work/killed/big.kml")" = old ] || fail "the old KML was changed"
echo "ok: a killed save leaves the old KML and nothing else"

# Zones whose rules changed since 2013 write that day's times as the Linux tool does.
for zone in Europe/Moscow America/Sao_Paulo America/Mexico_City; do
  "$linux" --stdout --timestamps --time-zone "$zone" "$work/gen.csv" >"$work/linux-times.kml"
  "$run" "$exe" --stdout --timestamps --time-zone "$zone" "Z:$work/gen.csv" \
    >"$work/windows-times.kml" || fail "times in $zone"
  cmp "$work/windows-times.kml" "$work/linux-times.kml" || fail "2013's times in $zone differ"
done
# Every zone shipped, at midwinter and midsummer of four years, through the same rules.
zones=$(dirname "$exe")/zoneinfo
(cd "$zones" && find . -type f | sed 's|^\./||' | sort) >"$work/zones.txt"
[ "$(wc -l <"$work/zones.txt")" -gt 300 ] || fail "few zones shipped"
# Names the Linux tool takes that are links there: shipped as files.
for zone in EET CET GMT US/Eastern Egypt W-SU; do
  grep -qx "$zone" "$work/zones.txt" || fail "zone $zone is not shipped"
done
zone_utc_linux=$(dirname "$linux")/../tests/trackkml-zone-utc
zone_utc_windows=$(dirname "$exe")/../tests/trackkml-zone-utc.exe
TZDIR=$zones "$zone_utc_linux" "$work/zones.txt" >"$work/zones-linux.txt"
cp "$zone_utc_windows" "$zones/../"
"$run" "$(dirname "$exe")/trackkml-zone-utc.exe" "Z:$work/zones.txt" | tr -d '\r' \
  >"$work/zones-windows.txt" || fail "zone table"
rm -f "$(dirname "$exe")/trackkml-zone-utc.exe"
diff "$work/zones-windows.txt" "$work/zones-linux.txt" >&2 || fail "zone times differ"
grep -q "unknown" "$work/zones-linux.txt" && fail "a shipped zone is unknown"
# Names that are devices on Windows are refused at once, never opened (COM1 would wait on a
# serial port); an unknown zone is a usage error even with --stdout.
# A device opened would hang the run: the timeout only ends such a hang, it times nothing.
for zone in COM1 Europe/AUX CON nul europe/athens; do
  status=0
  timeout 120 "$run" "$exe" --stdout --timestamps --time-zone "$zone" "Z:$work/day.csv" \
    >/dev/null 2>"$work/zone-error.txt" || status=$?
  [ "$status" -eq 2 ] || fail "zone $zone: status $status"
  grep -q "unknown time zone" "$work/zone-error.txt" || fail "zone $zone: $(cat "$work/zone-error.txt")"
done
echo "ok: every shipped zone gives the Linux tool's UTC; device names are refused at once"

# In cmd as users type: a wildcard is expanded (quoted ones: windows_zip_test.sh), -o takes a
# \\?\ folder and a drive-relative one, 2>NUL keeps the per-file lines on the redirected
# output, the code page is given back.
mkdir "$work/cmd"
for name in b a C; do cp "$work/gen.csv" "$work/cmd/$name.csv"; done
cp "$work/gen.csv" "$work/cmd/other.txt"
wincmd="Z:${work//\//\\}\\cmd"
mkdir "$work/cmd/out"
"$run" cmd /c "$(winpath "$exe") -o \\\\?\\$wincmd\\out $wincmd\\*.csv >$wincmd\\lines.txt 2>NUL" ||
  fail "cmd with a wildcard"
for name in a b C; do
  cmp "$work/cmd/out/$name.kml" "$work/linux.kml" || fail "$name.csv from the wildcard"
done
# -o with a folder relative to the drive's current one ("Z:out9").
"$run" cmd /c "cd /d $wincmd && $(winpath "$exe") -q -o Z:out9 a.csv" || fail "-o Z:out9"
cmp "$work/cmd/out9/a.kml" "$work/linux.kml" || fail "a.csv with -o Z:out9"
[ ! -e "$work/cmd/out/other.kml" ] || fail "the wildcard took other.txt"
tr -d '\r' <"$work/cmd/lines.txt" | grep ' -> ' | sed 's/ ->.*//;s/.*\\//' >"$work/cmd/order.txt"
printf 'a.csv\nb.csv\nC.csv\n' | cmp - "$work/cmd/order.txt" || fail "per-file lines: $(cat "$work/cmd/lines.txt")"
[ "$(tr -d '\r' <"$work/cmd/lines.txt" | tail -n 1)" = "3 converted, 0 failed" ] ||
  fail "closing count: $(cat "$work/cmd/lines.txt")"
# A console needs a terminal: script gives Wine one.
script -qec "$(printf '%q ' "$run" cmd /c "chcp & $(winpath "$exe") -q $wincmd\\a.csv & chcp")" \
  /dev/null </dev/null | sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' | tr -d '\r' |
  grep 'code page' >"$work/cmd/chcp.txt" || true
[ "$(wc -l <"$work/cmd/chcp.txt")" -eq 2 ] || fail "no code page shown: $(cat "$work/cmd/chcp.txt")"
[ "$(sed -n 1p "$work/cmd/chcp.txt")" = "$(sed -n 2p "$work/cmd/chcp.txt")" ] ||
  fail "the code page changed: $(cat "$work/cmd/chcp.txt")"
echo "ok: in cmd, wildcards, a \\\\?\\ folder, 2>NUL and the code page behave as on Windows"

# Names Windows takes for one file, whatever their letter case, are one output: the second
# export is refused. A folder past the old 260-character limit takes the KMLs.
mkdir -p "$work/case/d1" "$work/case/d2" "$work/case/out"
cp "$work/gen.csv" "$work/case/d1/trip.csv"
cp "$work/gen.csv" "$work/case/d2/TRIP.csv"
wincase="Z:${work//\//\\}\\case"
status=0
"$run" "$exe" -q -o "$wincase\\out" "$wincase\\d1\\trip.csv" "$wincase\\d2\\TRIP.csv" \
  2>"$work/case/err.txt" || status=$?
[ "$status" -eq 1 ] && grep -q "would replace the KML of" "$work/case/err.txt" ||
  fail "names differing in case: status $status, $(cat "$work/case/err.txt")"
long=$work/case
for i in 1 2 3 4 5 6; do long=$long/$(printf 'folder_%040d' "$i"); done
mkdir -p "$long"
"$run" "$exe" -q -o "Z:${long//\//\\}" "$wincase\\d1\\trip.csv" || fail "a long output folder"
cmp "$long/trip.kml" "$work/linux.kml" || fail "the KML in a long folder differs"
echo "ok: names differing in case are one file; a folder past 260 characters takes the KML"
