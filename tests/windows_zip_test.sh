#!/usr/bin/env bash
# The Windows zip on its own: unpacked into an empty folder and a fresh Wine prefix, with no
# other DLLs in reach, trackkml-cli.exe converts the golden export to the golden KML and
# trackkml.exe opens its window on an X server, so a missing DLL or plugin fails the test.
# With SCREENSHOT=file.png the window also opens the export, translates it, and is shot.
# Usage: windows_zip_test.sh trackkml-win64.zip DATA-DIR
set -euo pipefail
zip=$(realpath "$1")
data=$(realpath "$2")
if [ -z "${ZIP_TEST_DISPLAY:-}" ]; then
  exec env ZIP_TEST_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi
# The tools are given no input: Wine gives a program started from a terminal a console of its
# own, where trackkml-cli.exe would wait for a key as when started from Explorer.
exec </dev/null
source "$(dirname "$0")/../scripts/wine-prefix.sh"
source "$(dirname "$0")/windows_window.sh"
work=$(mktemp -d)
wine_prefix_up
trap 'wine_prefix_down; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
wine() { timeout "${WINE_TIMEOUT:-120}" /usr/lib/wine/wine64 "$@"; }

unzip -q "$zip" -d "$work"
app=$work/trackkml-win64
cp "$data/day.csv" "$work/day.csv"
wine "$app/trackkml-cli.exe" -q "Z:$work/day.csv" || fail "trackkml-cli.exe did not run"
cmp "$work/day.kml" "$data/day.kml" || fail "trackkml-cli.exe wrote other bytes than the golden KML"
echo "ok: trackkml-cli.exe from the zip writes the golden KML"
# The zone files come in the zip: the first fix of the golden day, 07:00 in Athens, is 04:00 UTC.
wine "$app/trackkml-cli.exe" -q --timestamps --gpx "Z:$work/day.csv" || fail "time options"
grep -q '<time>2013-10-22T04:00:00Z</time>' "$work/day.gpx" || fail "the GPX's first time"
echo "ok: trackkml-cli.exe from the zip reads the zone files it ships"
# The README's first example, as written, in the unpacked folder.
mkdir -p "$WINEPREFIX/drive_c/exports"
cp "$data/day.csv" "$WINEPREFIX/drive_c/exports/day.csv"
(cd "$app" && wine cmd /c 'trackkml-cli.exe C:\exports\*.csv' >/dev/null) || fail "the README's example"
cmp "$WINEPREFIX/drive_c/exports/day.kml" "$data/day.kml" || fail "the README's example wrote other bytes"
grep -q $'\r$' "$app/README.txt" && ! grep -q $'[^\r]$' "$app/README.txt" ||
  fail "README.txt does not end its lines with CR LF"
echo "ok: the README's example works as written"
# Pages of exports in a Greek folder, one with a Greek name: the index lands beside them and
# links the Greek page by its name's UTF-8 bytes.
pages=$WINEPREFIX/drive_c/exports/Ημέρες
mkdir "$pages"
cp "$data/day.csv" "$pages/ημέρα.csv"
cp "$data/day.csv" "$pages/b.csv"
wine "$app/trackkml-cli.exe" -q --html 'C:\exports\Ημέρες\ημέρα.csv' 'C:\exports\Ημέρες\b.csv' ||
  fail "--html in a Greek folder"
grep -qF '<a href="%CE%B7%CE%BC%CE%AD%CF%81%CE%B1.html">ημέρα.html</a>' "$pages/index.html" ||
  fail "the index does not link the Greek page"
echo "ok: the index of pages in a Greek folder links a Greek page"
# Quoted as Explorer's "Copy as path" quotes, in a folder whose name has a blank: the pattern
# in the last part is expanded as dir expands it, whole or with only the folder quoted. A
# batch file, since Wine's cmd /c line would hand the quotes on escaped.
mkdir -p "$WINEPREFIX/drive_c/My Exports/whole" "$WINEPREFIX/drive_c/My Exports/part"
cp "$data/day.csv" "$WINEPREFIX/drive_c/My Exports/a.csv"
cp "$data/day.csv" "$WINEPREFIX/drive_c/My Exports/b.csv"
tool="Z:${app//\//\\}\\trackkml-cli.exe"
printf '%s\r\n' "@\"$tool\" -q -o \"C:\\My Exports\\whole\" \"C:\\My Exports\\*.csv\"" \
  "@\"$tool\" -q -o \"C:\\My Exports\\part\" \"C:\\My Exports\"\\?.csv" \
  >"$WINEPREFIX/drive_c/quoted.cmd"
wine cmd /c 'C:\quoted.cmd' >/dev/null || fail "quoted patterns"
for form in whole part; do
  [ "$(ls "$WINEPREFIX/drive_c/My Exports/$form")" = "$(printf 'a.kml\nb.kml')" ] ||
    fail "a quoted pattern ($form) gave: $(ls "$WINEPREFIX/drive_c/My Exports/$form")"
done
echo "ok: a pattern in a quoted operand is expanded"
# An export dropped on trackkml-cli.exe in Explorer: the tool runs in a console of its own,
# which stays open after the conversion until a key is pressed. Wine's start opens one.
cp "$data/day.csv" "$WINEPREFIX/drive_c/exports/drop.csv"
wine start "Z:${app//\//\\}\\trackkml-cli.exe" 'C:\exports\drop.csv' || fail "start"
for _ in $(seq 60); do
  [ -f "$WINEPREFIX/drive_c/exports/drop.kml" ] && console=$(xdotool search --name 'trackkml-cli\.exe$') &&
    break
  sleep 1
done
cmp "$WINEPREFIX/drive_c/exports/drop.kml" "$data/day.kml" || fail "the dropped export's KML"
[ -n "${console:-}" ] || fail "no console of its own"
sleep 2
xdotool search --name 'trackkml-cli\.exe$' >/dev/null || fail "the console closed without a key"
xdotool mousemove --window "$console" 20 20 click 1 key Return
for _ in $(seq 30); do
  xdotool search --name 'trackkml-cli\.exe$' >/dev/null || break
  sleep 1
done
! xdotool search --name 'trackkml-cli\.exe$' >/dev/null || fail "the console stayed after a key"
echo "ok: an export dropped on the tool converts, its console kept open until a key"

rm "$work/day.kml"
show_window "$app" "Z:${work//\//\\}\\day.csv" || fail "trackkml.exe showed no window"
echo "ok: trackkml.exe from the zip shows its window"
# The version where Windows users look: the last entry of the window's system menu opens the
# About box (Wine's menu also lists its own "About Wine").
start_window "$app" || { end_window; fail "trackkml.exe showed no window"; }
xdotool mousemove --window "$WINDOW_ID" 300 200 click 1 key alt+space
sleep 2
xdotool key Up Return
find_window '^About trackkml$' >/dev/null || { end_window; fail "no About entry in the system menu"; }
end_window
echo "ok: the window's system menu has an About entry"
