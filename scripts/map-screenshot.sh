#!/usr/bin/env bash
# Draws a KML or GPX file on Marble's offline Atlas map under Xvfb (centred on the
# Peloponnese, 120 km up) and saves a screenshot; installs Marble and wmctrl when missing.
# Usage: scripts/map-screenshot.sh FILE.kml|FILE.gpx OUT.png [LAT,LON]
set -euo pipefail
file=$(realpath "$1")
out=$(realpath -m "$2")
latlon=${3:-38.05,22.6}
if [ -z "${DISPLAY_READY:-}" ]; then
  missing=()
  for p in marble-qt marble-data marble-plugins wmctrl openbox xvfb xdotool imagemagick; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  exec env DISPLAY_READY=1 xvfb-run -a -s "-screen 0 1280x900x24" bash "$0" "$@"
fi
export QTWEBENGINE_DISABLE_SANDBOX=1  # Marble's web view refuses to start as root otherwise
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
marble-qt --latlon "$latlon" --distance 120 "$file" >/dev/null 2>&1 &
pid=$!
trap 'kill $pid $wm 2>/dev/null || true' EXIT
sleep 12
wmctrl -r 'Virtual Globe' -b add,maximized_vert,maximized_horz
sleep 12  # the map tiles and the file are drawn
import -window root "$out"
