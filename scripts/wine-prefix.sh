# Sourced: wine_prefix_up makes a fresh Wine prefix for this run and starts its wineserver
# detached from every test's pipes (a wineserver started by a test would keep the test's
# output pipe open and hang ctest); the EXIT trap ends that wineserver and removes the prefix.
wine_prefix_down() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver64 -w >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
}

# The fonts Windows programs see in a test prefix: those the tests install (scripts/setup.sh),
# the colour-emoji one on purpose, as a user may have one.
wine_test_font_packages=(fonts-dejavu-core fonts-liberation2 fonts-noto-color-emoji)

# A folder of the prefix's own holding links to just those font files, and a fontconfig file
# that lists them, so that what else the host has installed never reaches a test: Wine shows
# programs the fonts that fontconfig lists and those of the folders it names.
wine_prefix_fonts() {
  local file
  mkdir "$WINEPREFIX/fonts"
  dpkg -L "${wine_test_font_packages[@]}" | grep -E '\.(ttf|otf)$' | sort |
    xargs ln -s -t "$WINEPREFIX/fonts"
  {
    echo '<?xml version="1.0"?>'
    echo '<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">'
    echo '<fontconfig>'
    echo "  <dir>$WINEPREFIX/fonts</dir>"
    echo "  <cachedir>$WINEPREFIX/fontconfig-cache</cachedir>"
    echo '  <selectfont>'
    echo '    <rejectfont><glob>*</glob></rejectfont>'
    echo '    <acceptfont>'
    for file in "$WINEPREFIX"/fonts/*; do echo "      <glob>$file</glob>"; done
    echo '    </acceptfont>'
    echo '  </selectfont>'
    echo '</fontconfig>'
  } >"$WINEPREFIX/fonts.conf"
  export FONTCONFIG_FILE=$WINEPREFIX/fonts.conf
}

wine_prefix_up() {
  WINEPREFIX=$(mktemp -d /tmp/trackkml-wine.XXXXXX)
  # No Gecko or Mono to install, and no menu entries left on the host by shortcuts.
  export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  wine_prefix_fonts
  trap wine_prefix_down EXIT
  /usr/lib/wine/wineserver64 -p </dev/null >/dev/null 2>&1
  timeout 300 /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
  # The fonts Wine found beyond its own are the set's, and only those.
  local found
  found=$(timeout 60 /usr/lib/wine/wine64 reg query 'HKCU\Software\Wine\Fonts\External Fonts' \
    </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
  if [ -z "$found" ] || grep -vqF "Z:${WINEPREFIX//\//\\}\\fonts\\" <<<"$found"; then
    echo "wine-prefix.sh: the prefix's fonts are not the test set: $found" >&2
    return 1
  fi
  # A crash ends the run at once instead of waiting in Wine's debugger or its dialog.
  timeout 60 /usr/lib/wine/wine64 reg delete \
    'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
    </dev/null >/dev/null 2>&1 || true
  timeout 60 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
    /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 || true
  # The window's font, MS Sans Serif, is not in Wine: a sans-serif face of its metrics
  # (Liberation Sans, Arial's) stands in, instead of a serif fallback.
  timeout 60 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' \
    /v 'MS Sans Serif' /d 'Liberation Sans' /f </dev/null >/dev/null 2>&1 || true
}
