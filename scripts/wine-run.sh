#!/usr/bin/env bash
# Runs a Windows program under Wine, in the prefix the calling script made (WINEPREFIX,
# see scripts/wine-prefix.sh), for at most WINE_TIMEOUT seconds. CMake's emulator for the
# Windows build, so ctest runs the .exe tests through it.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run.sh: no WINEPREFIX: run the tests through scripts/test-win64.sh" >&2
  exit 1
fi
export WINEDEBUG=-all
# The mingw runtime DLLs, and Qt's when the caller names them.
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
winpthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
export WINEPATH="${TRACKKML_WINE_PATH:+$TRACKKML_WINE_PATH;}Z:$runtime;Z:$winpthread"
# Wine drops QT_* and hands WINEQT_* in as QT_*. The offscreen platform needs fonts, and
# QTest writes to a pipe only when told to.
export WINEQT_QPA_FONTDIR=${WINEQT_QPA_FONTDIR:-/usr/share/fonts/truetype/dejavu}
export WINEQT_FORCE_STDERR_LOGGING=1
exec timeout "${WINE_TIMEOUT:-600}" /usr/lib/wine/wine64 "$@"
