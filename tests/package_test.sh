#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and runs the installed tool.
# Usage: package_test.sh BUILD_DIR GENERATOR
set -euo pipefail
build=$1
generator=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

dpkg -x "$deb" "$work/root"
for f in usr/bin/trackkml usr/bin/trackkml-cli usr/share/applications/trackkml.desktop \
  usr/share/man/man1/trackkml-cli.1.gz; do
  [ -e "$work/root/$f" ] || fail "package lacks $f"
done
zcat "$work/root/usr/share/man/man1/trackkml-cli.1.gz" | grep -q '^\.TH TRACKKML-CLI 1' || fail "man page"

cli=$work/root/usr/bin/trackkml-cli
"$cli" --version | grep -q '^trackkml-cli [0-9]' || fail "--version"
"$generator" 200 "$work/day.csv" >/dev/null
"$cli" -q "$work/day.csv" || fail "conversion"
"$build/cli/trackkml-cli" --stdout "$work/day.csv" >"$work/expected.kml"
cmp "$work/day.kml" "$work/expected.kml" || fail "installed tool writes other bytes"
echo "package ok: $(basename "$deb")"
