#!/usr/bin/env bash
# Installs what trackkml needs, and only what is missing: with "window", what building and
# running the two programs needs; with "package", that and what making their Debian package
# needs; otherwise also everything the tests use.
# Works as root without a terminal; safe to run again.
# Usage: scripts/setup.sh [window|package]
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev
  libcctz-dev libhowardhinnant-date-dev tzdata libxlsxwriter-dev librsvg2-bin
)
[ "${1:-}" = package ] && packages+=(dpkg-dev file)
[ "${1:-}" = window ] || [ "${1:-}" = package ] || packages+=(
  libgtest-dev libgmock-dev libbenchmark-dev
  gpsbabel gdal-bin libxml2-utils gpxinfo python3-openpyxl
  xvfb xauth x11-apps x11-utils openbox imagemagick xdotool
  time bc dpkg-dev file zip unzip acl lintian desktop-file-utils appstream man-db
  icoutils msitools wixl fonts-liberation2 fonts-noto-color-emoji
  at-spi2-core python3-pyatspi dbus
  chromium python3-html5lib poppler-utils fonts-dejavu-core
  clang-14 libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix wine64 ninja-build libz-mingw-w64-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
