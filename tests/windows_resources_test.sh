#!/usr/bin/env bash
# What Windows reads from the programs themselves: the window is a GUI program (no console
# beside it), the tool a console one; each carries the project's icon in every size, by the
# name Qt looks for, a version resource with the project's version, and a manifest for Windows
# 10 and 11 with long paths, per-monitor DPI awareness and UTF-8 as its code page.
# Usage: windows_resources_test.sh TRACKKML.EXE TRACKKML-CLI.EXE VERSION
set -euo pipefail
window=$1 tool=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

subsystem() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^Subsystem.*(\(.*\))$/\1/p'; }
[ "$(subsystem "$window")" = "Windows GUI" ] || fail "trackkml.exe is not a GUI program"
[ "$(subsystem "$tool")" = "Windows CUI" ] || fail "trackkml-cli.exe is not a console program"
for exe in "$window" "$tool"; do
  name=$(basename "$exe")
  # Named as Qt's windows platform loads it for the window (LoadImage(L"IDI_ICON1")).
  wrestool -x --type=14 --name=IDI_ICON1 "$exe" >"$work/icon.ico" 2>/dev/null || true
  [ -s "$work/icon.ico" ] || fail "$name has no icon named IDI_ICON1"
  sizes=$(icotool -l "$work/icon.ico" | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n | tr '\n' ' ')
  [ "$sizes" = "16 20 24 32 40 48 64 128 256 " ] || fail "$name's icon sizes: $sizes"
  wrestool -x --raw --type=16 "$exe" | iconv -f UTF-16LE -t UTF-8 -c | tr -d '\0' >"$work/version.txt"
  for text in "ProductName" "trackkml" "ProductVersion" "$version" "The trackkml authors" \
    "OriginalFilename" "$name"; do
    grep -qF "$text" "$work/version.txt" || fail "$name's version resource lacks $text"
  done
  wrestool -x --raw --type=24 "$exe" >"$work/manifest.xml" || fail "$name has no manifest"
  for text in '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a' '>true</longPathAware>' \
    '>PerMonitorV2</dpiAwareness>' '>UTF-8</activeCodePage>' 'level="asInvoker"'; do
    grep -qF "$text" "$work/manifest.xml" || fail "$name's manifest lacks $text"
  done
done
echo "ok: subsystems, icons, version $version and manifests of both programs"
