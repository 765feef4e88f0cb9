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

# Whether the window shows the program's icon: Qt gives its window class the icon resource
# named IDI_ICON1 and otherwise Windows' generic one, and Wine hands the window's icon to X.
# The 32-pixel image must be the one of the project's .ico.
# Usage: shows_our_icon WINDOW-ID PROGRAM.EXE
shows_our_icon() {
  local work
  work=$(mktemp -d)
  wrestool -x --type=14 "$2" >"$work/icon.ico" &&
    icotool -x --width=32 -o "$work/icon.png" "$work/icon.ico" &&
    convert "$work/icon.png" -depth 8 rgba:"$work/icon.rgba" &&
    xprop -id "$1" -notype 32c _NET_WM_ICON >"$work/shown.txt" &&
    python3 - "$work/icon.rgba" "$work/shown.txt" <<'EOF'
import sys
want = open(sys.argv[1], "rb").read()
numbers = [int(n) for n in open(sys.argv[2]).read().split("=", 1)[1].replace(",", " ").split()]
while numbers:  # width, height, then ARGB pixels, for each size shown
    width, height = numbers[0], numbers[1]
    pixels, numbers = numbers[2:2 + width * height], numbers[2 + width * height:]
    if (width, height) != (32, 32):
        continue
    shown = b"".join(bytes(((p >> 16) & 255, (p >> 8) & 255, p & 255, p >> 24)) for p in pixels)
    # Only the drawn pixels count, and rounding may differ by a step.
    differ = sum(1 for i in range(0, len(want), 4)
                 if want[i + 3] > 0 and max(abs(a - b) for a, b in zip(want[i:i + 4], shown[i:i + 4])) > 2)
    sys.exit(0 if differ == 0 else 1)
sys.exit(1)
EOF
  local status=$?
  rm -rf "$work"
  return $status
}

# Starts trackkml.exe in FOLDER with ARGS and waits for its window, then checks what every
# start must show: the program's own icon, and a window that survived Qt's walk through the
# fonts of the prefix's set, the colour-emoji one included. Sets WINDOW_ID and WINDOW_PID.
# Usage: start_window FOLDER [ARGS...]
start_window() {
  local folder=$1 log=$WINEPREFIX/window.log
  shift
  # Qt says which fonts it makes engines for, on standard error (else to the debugger).
  (cd "$folder" && WINEQT_LOGGING_RULES='qt.qpa.fonts.debug=true' WINEQT_FORCE_STDERR_LOGGING=1 \
    exec timeout 60 /usr/lib/wine/wine64 trackkml.exe "$@" 2>"$log") &
  WINDOW_PID=$!
  WINDOW_ID=$(find_window '^Convert$') || { echo "no window; its log ends: $(tail -n 3 "$log")"; return 1; }
  grep -q 'createEngine "Noto Color Emoji"' "$log" ||
    { echo "Qt never reached the colour-emoji font"; return 1; }
  shows_our_icon "$WINDOW_ID" "$folder/trackkml.exe" || { echo "the window shows another icon"; return 1; }
}

end_window() {
  kill "$WINDOW_PID" 2>/dev/null || true
  wait "$WINDOW_PID" 2>/dev/null || true
}

# Clicks a button of the window by its place in the designed layout.
click_button() {
  xdotool mousemove --window "$WINDOW_ID" "$1" 28 click 1
  sleep 2
}

# Starts trackkml.exe in FOLDER and waits for its window; with SCREENSHOT=file.png it then
# opens EXPORT (as Windows spells it) through the dialog, translates it, and shoots the
# screen. Ends the window. Fails when no window shows.
# Usage: show_window FOLDER EXPORT
show_window() {
  start_window "$1" || { end_window; return 1; }
  if [ -n "${SCREENSHOT:-}" ]; then
    sleep 2
    click_button 130  # Open
    sleep 1
    xdotool type --delay 20 "$2"
    xdotool key Return
    sleep 2
    click_button 250  # Translate
    import -window root "$SCREENSHOT"
    echo "screenshot: $SCREENSHOT"
  fi
  end_window
}

# Starts trackkml.exe in FOLDER with EXPORT (as Windows spells it) on its command line, as
# Explorer's "Open with" does, translates and saves: the KML lands beside the export.
# Usage: open_given FOLDER EXPORT
open_given() {
  start_window "$1" "$2" || { end_window; return 1; }
  sleep 2
  click_button 250  # Translate
  click_button 365  # Save
  end_window
}
