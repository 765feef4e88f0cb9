#!/usr/bin/env bash
# The golden day's page in a real browser, offline: Chromium renders it without a message on
# its console (a control page with an error proves the messages are read), and prints it to
# PDF as one A4 page in portrait. On a phone's width (390 px) and a screen's, the halo of a run
# over the limit is wider than the route it lies under, and no text of a drawing is cut off
# at its edges.
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
# Measured in the page itself, in a frame of each width, by a page of the test's own.
(cd "$work" && "$cli" -q --html --speed-limit 50 -o limit day.csv)
cat >"$work/limit/measure.html" <<'EOF2'
<!DOCTYPE html><html lang="en"><title>measure</title><body><pre id="out">pending</pre>
<iframe id="phone" src="day.html" style="width:390px;height:3000px;border:0"></iframe>
<iframe id="screen" src="day.html" style="width:1280px;height:3000px;border:0"></iframe>
<script>
const found = [];
let loaded = 0;
function measure(frame) {
  const d = frame.contentDocument, w = frame.contentWindow;
  const route = d.querySelector('g.route path'), halo = d.querySelector('g.over path.speeding');
  if (!route || !halo) { found.push(frame.id + ': no route or no halo'); return; }
  const line = parseFloat(w.getComputedStyle(route).strokeWidth);
  const around = parseFloat(w.getComputedStyle(halo).strokeWidth);
  if (!(around > line)) found.push(frame.id + ': halo ' + around + ' not wider than the route ' + line);
  for (const svg of d.querySelectorAll('figure svg')) {
    const box = svg.viewBox.baseVal;
    for (const text of svg.querySelectorAll('text')) {
      const b = text.getBBox();
      if (b.x < box.x - 0.5 || b.y < box.y - 0.5 || b.x + b.width > box.x + box.width + 0.5 ||
          b.y + b.height > box.y + box.height + 0.5)
        found.push(frame.id + ': cut off: ' + text.textContent + ' at ' + [b.x, b.y, b.width, b.height].map(Math.round).join(' ') + ' in ' + box.width + 'x' + box.height);
    }
  }
}
for (const frame of document.querySelectorAll('iframe'))
  frame.onload = () => { measure(frame); if (++loaded === 2) document.getElementById('out').textContent = found.length ? found.join('\n') : 'none'; };
</script></body></html>
EOF2
measured=$(timeout 120 "$browser" --headless --no-sandbox --disable-gpu --no-first-run \
  --user-data-dir="$work/profile" --host-resolver-rules="MAP * ~NOTFOUND" --no-proxy-server \
  --allow-file-access-from-files --virtual-time-budget=10000 --dump-dom \
  "file://$work/limit/measure.html" 2>/dev/null | tr '\n' '\r' |
  sed -n 's:.*<pre id="out">\([^<]*\)</pre>.*:\1:p' | tr '\r' '\n')
[ "$measured" = none ] || fail "as drawn: ${measured:-nothing measured}"

echo "ok: rendered offline without console messages, printed on one A4 sheet, halos wider than the route and no text cut off at 390 and 1280 px"
