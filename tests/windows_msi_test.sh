#!/usr/bin/env bash
# The installer on its own, in a fresh Wine prefix: it installs silently for this user into
# %LOCALAPPDATA%\Programs\trackkml with a Start-menu shortcut; the installed tool converts the
# golden export by the README's own example; the installed window shows itself; uninstalling
# leaves nothing of ours behind. With SCREENSHOT=file.png the installed window is shot after
# opening and translating the export.
# Usage: windows_msi_test.sh trackkml-VERSION-win64.msi DATA-DIR
set -euo pipefail
msi=$(realpath "$1")
data=$(realpath "$2")
if [ -z "${MSI_TEST_DISPLAY:-}" ]; then
  exec env MSI_TEST_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi
source "$(dirname "$0")/../scripts/wine-prefix.sh"
source "$(dirname "$0")/windows_window.sh"
wine_prefix_up
trap 'wine_prefix_down' EXIT
fail() { echo "FAIL: $*"; exit 1; }
wine() { timeout "${WINE_TIMEOUT:-120}" /usr/lib/wine/wine64 "$@"; }

user_dir=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
app=$user_dir/AppData/Local/Programs/trackkml
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/trackkml.lnk"

wine msiexec /i "Z:${msi//\//\\}" /qn || fail "msiexec /i"
[ -f "$app/trackkml.exe" ] && [ -f "$app/trackkml-cli.exe" ] || fail "nothing installed in $app"
[ -f "$app/zoneinfo/Europe/Athens" ] || fail "the zone files were not installed"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
# What "Apps & features" shows: the name, version and publisher, and the product's icon.
registry=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData' /s |
  tr -d '\r')
version=$(basename "$msi" | sed 's/^trackkml-\(.*\)-win64\.msi$/\1/')
for entry in "DisplayName    REG_SZ    trackkml" "DisplayVersion    REG_SZ    $version" \
  "Publisher    REG_SZ    The trackkml authors"; do
  grep -qF "$entry" <<<"$registry" || fail "the installed product lacks: $entry"
done
products=$(wine reg query 'HKCU\Software\Microsoft\Installer\Products' /s | tr -d '\r')
grep -q 'ProductIcon .*trackkml\.ico' <<<"$products" || fail "the installed product has no icon"
echo "ok: installed silently into %LOCALAPPDATA%\\Programs\\trackkml, with its shortcut"

# The README's first example, as written, in the installed folder.
mkdir -p "$WINEPREFIX/drive_c/exports"
cp "$data/day.csv" "$WINEPREFIX/drive_c/exports/day.csv"
cp "$data/day.csv" "$WINEPREFIX/drive_c/exports/again.csv"
wine cmd /c 'cd /d %LOCALAPPDATA%\Programs\trackkml && trackkml-cli.exe C:\exports\*.csv' \
  >/dev/null || fail "the README's example"
for name in day again; do
  cmp "$WINEPREFIX/drive_c/exports/$name.kml" "$data/day.kml" || fail "$name.kml is not the golden KML"
done
echo "ok: the installed trackkml-cli.exe runs the README's example and writes the golden KML"

show_window "$app" 'C:\exports\day.csv' || fail "the installed trackkml.exe showed no window"
echo "ok: the installed trackkml.exe shows its window"

wine msiexec /x "Z:${msi//\//\\}" /qn || fail "msiexec /x"
[ ! -e "$app" ] || fail "left after uninstalling: $(find "$app" | head)"
[ ! -e "$shortcut" ] || fail "the shortcut is left after uninstalling"
echo "ok: uninstalling leaves nothing of ours behind"
