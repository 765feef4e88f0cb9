#!/usr/bin/env bash
# The window as a screen reader meets it: under Xvfb, on a session bus of its own with the
# accessibility bus, the program's panes are read and edited through AT-SPI; given an export,
# the program is started with it and its first pane must show it.
# Usage: accessibility_test.sh TRACKKML [EXPORT]
set -euo pipefail
program=$(command -v "$1")
export_file=${2:+$(realpath "$2")}
probe=$(dirname "$(realpath "$0")")/accessibility_probe.py
if [ -z "${ACCESSIBILITY_TEST_SESSION:-}" ]; then
  # A display number of its own: xvfb-run -a races with other tests starting theirs.
  exec env ACCESSIBILITY_TEST_SESSION=1 xvfb-run -a -n $((200 + RANDOM % 600)) \
    -s "-screen 0 1024x768x24 -noreset" dbus-run-session -- bash "$0" "$@" 2> >(grep -v 'fd limit' >&2)
fi
unset QT_QPA_PLATFORM  # the real X server, as a user's session has it
# On a busy machine the display may take a moment to answer. (It must not reset when a client
# leaves: -noreset above, or the bus launcher's short visit makes the program's connect fail.)
for _ in $(seq 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
# libxkbcommon-x11 reads its keymap names with strndup past their end, which AddressSanitizer
# reports in a sanitized build; the program's own code is not involved.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_strndup=0"
/usr/libexec/at-spi-bus-launcher --launch-immediately &
bus=$!
trap 'kill "$bus" "${window:-}" 2>/dev/null || true' EXIT
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" ${export_file:+"$export_file"} &
window=$!
timeout 60 /usr/bin/python3 "$probe" ${export_file:+--opened "$export_file"}
