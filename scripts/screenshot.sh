#!/usr/bin/env bash
# Starts the window under Xvfb, opens EXPORT through the real open-file dialog, presses
# Translate, and saves a screenshot of the screen to OUT.png.
# Usage: scripts/screenshot.sh EXPORT.csv OUT.png   (after scripts/build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
export_file=$(realpath "$1")
out=$(realpath -m "$2")
if [ -z "${DISPLAY_READY:-}" ]; then
  exec env DISPLAY_READY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
build/mainfrm/trackkml &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
sleep 1.5
win=$(xdotool search --sync --name '^Convert$' | head -n 1)
# Open is at 96,16 in the client area, Translate at 216,16.
xdotool mousemove --window "$win" 130 28 click 1
sleep 1.5
xdotool type --delay 5 "$export_file"
xdotool key Return
sleep 1
xdotool mousemove --window "$win" 250 28 click 1
sleep 1.5
import -window root "$out"
