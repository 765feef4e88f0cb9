#!/usr/bin/env bash
# The window under a real X server: with a window manager that draws frames (openbox), the
# outer frame stands at 194,114 and measures 634x586, and the open dialog's frame is centred
# with its top at a third of the free height; without one, the window itself does.
# Usage: frame_test.sh TRACKKML   (starts its own Xvfb; needs xvfb-run, openbox, xdotool, x11-utils)
set -euo pipefail
if [ -z "${FRAME_TEST_DISPLAY:-}" ]; then
  for tool in xvfb-run openbox xdotool xwininfo xprop; do
    if ! command -v "$tool" >/dev/null; then
      [ "${CI:-}" = true ] && { echo "FAIL: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
      echo "SKIP: $tool is missing"; exit 0
    fi
  done
  exec env FRAME_TEST_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi
program=$1
export QT_QPA_PLATFORM=xcb
# In the sanitizer build: libxkbcommon-x11 reads a keymap name with strndup past its buffer's
# end, which ASan's strndup check reports in a library that is not ours.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_strndup=0"
failures=0
check() {  # what, got, want
  if [ "$2" = "$3" ]; then echo "ok: $1 $2"; else echo "FAIL: $1 is $2, want $3"; failures=$((failures + 1)); fi
}

# The frame of window $1 as "x,y wxh": its client area widened by the frame extents.
frame_of() {
  local info ext left right top bottom x y w h
  info=$(xwininfo -id "$1")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/.*Width: *//p' <<<"$info")
  h=$(sed -n 's/.*Height: *//p' <<<"$info")
  ext=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')
  IFS=, read -r left right top bottom <<<"${ext:-0,0,0,0}"
  echo "$((x - left)),$((y - top)) $((w + left + right))x$((h + top + bottom))"
}

# The frame of window $1 once it has settled: polled until it stops changing (a window
# manager frames and moves a window some time after it is mapped; a busy machine takes longer).
settled_frame_of() {
  local last="" now
  for _ in $(seq 50); do
    sleep 0.2
    now=$(frame_of "$1")
    [ "$now" = "$last" ] && [ -n "$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep =)" -o -z "$wm_running" ] && break
    last=$now
  done
  echo "$now"
}

run_window() {  # label
  "$program" &
  local pid=$!
  local win
  win=$(timeout 20 xdotool search --sync --name '^Convert$' | head -n 1)
  check "$1: window frame" "$(settled_frame_of "$win")" "194,114 634x586"
  if [ "$1" = openbox ]; then
    xdotool mousemove --window "$win" 130 28 click 1  # Open
    local dialog
    dialog=$(timeout 20 xdotool search --sync --name '^Open$' | head -n 1)
    local frame size w h
    frame=$(settled_frame_of "$dialog")
    size=${frame#* }
    w=${size%x*}
    h=${size#*x}
    check "$1: dialog frame" "$frame" "$(((1024 - w) / 2)),$(((768 - h) / 3)) ${w}x${h}"
    # Only a courtesy before the kill below: a dialog already gone must not fail the test.
    xdotool key --window "$dialog" Escape 2>/dev/null || true
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

wm_running=
run_window "no window manager"
openbox >/dev/null 2>&1 &
wm=$!
wm_running=yes
sleep 1
run_window openbox
kill "$wm" 2>/dev/null || true
[ "$failures" -eq 0 ]
