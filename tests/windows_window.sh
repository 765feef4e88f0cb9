# Sourced by the Windows package tests: the program's window under Wine on the Xvfb display.

# A window by its title, waited for; Wine's short-lived windows can make one search fail.
find_window() {
  local id
  for _ in $(seq 80); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && echo "$id" && return 0
    sleep 0.5
  done
  return 1
}

# Starts trackkml.exe in FOLDER and waits for its window; with SCREENSHOT=file.png it then
# opens EXPORT (as Windows spells it) through the dialog, translates it, and shoots the
# screen. Ends the window. Fails when no window shows.
# Usage: show_window FOLDER EXPORT
show_window() {
  (cd "$1" && exec timeout 60 /usr/lib/wine/wine64 trackkml.exe) &
  local pid=$! win
  win=$(find_window '^Convert$') || return 1
  if [ -n "${SCREENSHOT:-}" ]; then
    sleep 2
    xdotool mousemove --window "$win" 130 28 click 1  # Open
    sleep 3
    xdotool type --delay 20 "$2"
    xdotool key Return
    sleep 2
    xdotool mousemove --window "$win" 250 28 click 1  # Translate
    sleep 2
    import -window root "$SCREENSHOT"
    echo "screenshot: $SCREENSHOT"
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
