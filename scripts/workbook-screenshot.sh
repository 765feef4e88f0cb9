#!/usr/bin/env bash
# Renders a workbook the tool wrote as a spreadsheet prints it (LibreOffice headless, to PDF,
# each page to a PNG), to look at what its users see. Installs LibreOffice Calc and poppler's
# pdftoppm when they are missing: they are not needed to build or test.
# Usage: scripts/workbook-screenshot.sh WORKBOOK.xlsx OUT-FOLDER   (writes page-N.png there)
set -euo pipefail
workbook=$(realpath "$1")
out=$(realpath -m "$2")
missing=()
for p in libreoffice-calc poppler-utils; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
# A profile of its own, so a running office or the user's settings change nothing.
HOME=$work soffice --headless --convert-to pdf --outdir "$work" "$workbook" >/dev/null
pdftoppm -r 110 -png "$work/$(basename "${workbook%.*}").pdf" "$out/page"
ls "$out"/page-*.png
