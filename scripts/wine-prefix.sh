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

wine_prefix_up() {
  WINEPREFIX=$(mktemp -d /tmp/trackkml-wine.XXXXXX)
  # No Gecko or Mono to install, and no menu entries left on the host by shortcuts.
  export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  trap wine_prefix_down EXIT
  /usr/lib/wine/wineserver64 -p </dev/null >/dev/null 2>&1
  timeout 300 /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
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
