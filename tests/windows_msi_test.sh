#!/usr/bin/env bash
# The installer on its own, in a fresh Wine prefix: every component GUID is one Windows
# Installer takes; it installs silently for this user into %LOCALAPPDATA%\Programs\trackkml
# with a Start-menu shortcut and an "Open with" entry for .csv files; installed over an older
# version it replaces it (one product, the newer files, none of the older's left), and the
# older one then refuses to install over it; the installed tool converts the golden export by
# the README's own example; the installed window shows itself, also opened with an export as
# "Open with" starts it; uninstalling leaves nothing of ours behind. With SCREENSHOT=file.png
# the installed window is shot after opening and translating the export.
# Usage: windows_msi_test.sh trackkml-VERSION-win64.msi OLDER.msi DATA-DIR
set -euo pipefail
msi=$(realpath "$1")
older_msi=$(realpath "$2")
data=$(realpath "$3")
if [ -z "${MSI_TEST_DISPLAY:-}" ]; then
  exec env MSI_TEST_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi
# The tools are given no input: Wine gives a program started from a terminal a console of its
# own, where trackkml-cli.exe would wait for a key as when started from Explorer.
exec </dev/null
source "$(dirname "$0")/../scripts/wine-prefix.sh"
source "$(dirname "$0")/windows_window.sh"
wine_prefix_up
trap 'wine_prefix_down' EXIT
fail() { echo "FAIL: $*"; exit 1; }
wine() { timeout "${WINE_TIMEOUT:-120}" /usr/lib/wine/wine64 "$@"; }
winname() { echo "Z:${1//\//\\}"; }
version_of() { basename "$1" | sed 's/^\(test-\)\{0,1\}trackkml-\(.*\)-win64\.msi$/\2/'; }
version=$(version_of "$msi")
older=$(version_of "$older_msi")

# Windows Installer takes a component's GUID only in its registry form, upper case; one that
# is not (or is twice) breaks the component's reference count.
for package in "$msi" "$older_msi"; do
  msiinfo export "$package" Component | tail -n +4 | cut -f2 >"$WINEPREFIX/guids.txt"
  [ -s "$WINEPREFIX/guids.txt" ] || fail "no components in $package"
  bad=$(grep -cvE '^\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$' "$WINEPREFIX/guids.txt" || true)
  [ "$bad" -eq 0 ] || fail "$bad invalid component GUIDs in $(basename "$package"): $(
    grep -vE '^\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$' "$WINEPREFIX/guids.txt" | head -n 3)"
  [ -z "$(sort "$WINEPREFIX/guids.txt" | uniq -d)" ] || fail "a component GUID used twice"
done
echo "ok: every component GUID of both installers is valid and its own"

user_dir=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
app=$user_dir/AppData/Local/Programs/trackkml
app_windows='C:\users\'"$(basename "$user_dir")"'\AppData\Local\Programs\trackkml'
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/trackkml.lnk"
# What "Apps & features" lists: the installed products' properties.
installed() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData' /s |
    tr -d '\r'
}
readme_version() { tr -d '\r' <"$app/README.txt" | sed -n 's/^trackkml \(.*\) for Windows$/\1/p'; }

# The older version first, then this one over it.
wine msiexec /i "$(winname "$older_msi")" /qn || fail "msiexec /i of $older"
[ "$(readme_version)" = "$older" ] && [ -f "$app/older-only.txt" ] || fail "$older not installed"
wine msiexec /i "$(winname "$msi")" /qn || fail "msiexec /i over $older"
[ -f "$app/trackkml.exe" ] && [ -f "$app/trackkml-cli.exe" ] || fail "nothing installed in $app"
[ "$(readme_version)" = "$version" ] || fail "README.txt of $(readme_version) after the upgrade"
[ ! -e "$app/older-only.txt" ] || fail "the older version's file is left after the upgrade"
entries=$(installed | grep -c "DisplayName    REG_SZ    trackkml$" || true)
[ "$entries" -eq 1 ] || fail "$entries products installed after the upgrade"
status=0
wine msiexec /i "$(winname "$older_msi")" /qn || status=$?
[ "$status" -ne 0 ] && [ "$(readme_version)" = "$version" ] || fail "$older installed over $version"
echo "ok: $version replaces $older, which then refuses to install over it"

[ -f "$app/zoneinfo/Europe/Athens" ] || fail "the zone files were not installed"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
# What "Apps & features" shows: the name, version, publisher, comments, help link and where it
# is installed, and the product's icon.
registry=$(installed)
for entry in "DisplayName    REG_SZ    trackkml" "DisplayVersion    REG_SZ    $version" \
  "Publisher    REG_SZ    The trackkml authors" \
  "Comments    REG_SZ    Converts vehicle-tracking exports to KML documents" \
  "HelpLink    REG_SZ    https://trackkml.invalid/" \
  "InstallLocation    REG_SZ    $app_windows\\"; do
  grep -qF "$entry" <<<"$registry" || fail "the installed product lacks: $entry"
done
products=$(wine reg query 'HKCU\Software\Microsoft\Installer\Products' /s | tr -d '\r')
grep -q 'ProductIcon .*trackkml\.ico' <<<"$products" || fail "the installed product has no icon"
echo "ok: installed silently into %LOCALAPPDATA%\\Programs\\trackkml, with its shortcut"

# "Open with": listed for .csv beside the others, the type's default left alone, and the
# listed command opens the window.
classes='HKCU\Software\Classes'
wine reg query "$classes\\.csv\\OpenWithProgids" /v trackkml.csv >/dev/null ||
  fail "trackkml is not offered for .csv files"
! wine reg query "$classes\\.csv" /ve 2>/dev/null | tr -d '\r' | grep -q 'trackkml' ||
  fail "trackkml took over .csv files"
wine reg query "$classes\\Applications\\trackkml.exe\\SupportedTypes" /v .csv >/dev/null ||
  fail "trackkml.exe does not name .csv among its types"
command=$(wine reg query "$classes\\trackkml.csv\\shell\\open\\command" /ve | tr -d '\r' |
  sed -n 's/^ *(Default) *REG_SZ *//p')
[ "$command" = "\"$app_windows\\trackkml.exe\" \"%1\"" ] ||
  fail "the Open with command: $command"

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
# As "Open with" starts it: the export given opens, and Translate and Save write its KML.
rm "$WINEPREFIX/drive_c/exports/day.kml"
open_given "$app" 'C:\exports\day.csv' || fail "Open with showed no window"
cmp "$WINEPREFIX/drive_c/exports/day.kml" "$data/day.kml" || fail "the window opened with the export saved no golden KML"
echo "ok: started as Open with starts it, the window opens the export"

wine msiexec /x "$(winname "$msi")" /qn || fail "msiexec /x"
[ ! -e "$app" ] || fail "left after uninstalling: $(find "$app" | head)"
[ ! -e "$shortcut" ] || fail "the shortcut is left after uninstalling"
! installed | grep -q "DisplayName    REG_SZ    trackkml" || fail "still listed after uninstalling"
! wine reg query "$classes\\trackkml.csv" >/dev/null 2>&1 || fail "the Open with entry is left"
! wine reg query "$classes\\.csv\\OpenWithProgids" /v trackkml.csv >/dev/null 2>&1 ||
  fail "trackkml is still offered for .csv files"
echo "ok: uninstalling leaves nothing of ours behind"
