#!/usr/bin/env bash
# The golden day's page in a real browser, offline: Chromium renders it without a message on
# its console (a control page with an error proves the messages are read), and prints it to
# PDF as one A4 page in portrait.
# Usage: page_browser_test.sh TRACKKML_CLI TEST_DATA
set -euo pipefail
cli=$(realpath "$1")
data=$(realpath "$2")
browser=$(command -v chromium || true)
if [ -z "$browser" ]; then
  [ "${CI:-}" != true ] || { echo "FAIL: chromium is missing (scripts/setup.sh installs it)"; exit 1; }
  echo "skipped: chromium is missing"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cp "$data/day.csv" "$work/day.csv"
(cd "$work" && "$cli" -q --html day.csv)
printf '<!DOCTYPE html><html lang="en"><title>control</title><script>console.error("control")</script></html>' \
  >"$work/control.html"
# No network: every name resolves nowhere, and no proxy is asked.
run() {
  timeout 120 "$browser" --headless --no-sandbox --disable-gpu --no-first-run \
    --user-data-dir="$work/profile" --host-resolver-rules="MAP * ~NOTFOUND" \
    --no-proxy-server --enable-logging=stderr --v=0 "$@" 2>&1 >/dev/null
}
console() { grep -c ':CONSOLE' <<<"$1" || true; }

[ "$(console "$(run --dump-dom "file://$work/control.html")")" -ge 1 ] ||
  fail "the control page's console error was not seen"
log=$(run --dump-dom "file://$work/day.html")
[ "$(console "$log")" = 0 ] || fail "console messages: $(grep ':CONSOLE' <<<"$log")"

run --no-pdf-header-footer --print-to-pdf="$work/day.pdf" "file://$work/day.html" >/dev/null
info=$(pdfinfo "$work/day.pdf")
grep -q '^Pages: *1$' <<<"$info" || fail "printed on more than one sheet: $(grep Pages <<<"$info")"
grep -q '^Page size: *59[0-9.]* x 84[0-9.]* pts (A4)' <<<"$info" || fail "not A4 portrait: $info"
echo "ok: rendered offline without console messages, printed on one A4 sheet"
