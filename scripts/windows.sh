#!/usr/bin/env bash
# Builds both programs for Windows against Qt for Windows (built once into a cache by
# scripts/qt-win64.sh), runs the window's tests under Wine, packs
# build-win64/trackkml-win64.zip, and tests the zip in a fresh Wine prefix.
# Usage: scripts/windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
qt=$(bash scripts/qt-win64.sh | tail -n 1)
gtest=$(bash scripts/gtest-win64.sh | tail -n 1)
build=build-win64
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTRACKKML_WIN64_PREFIXES="$gtest;$qt" -DCMAKE_PREFIX_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DTRACKKML_BENCH=OFF >/dev/null
cmake --build "$build"

echo "== the window's tests under Wine"
(
  source scripts/wine-prefix.sh
  wine_prefix_up
  export TRACKKML_WINE_PATH="Z:$qt/bin" WINEQT_PLUGIN_PATH="Z:$qt/plugins"
  cd "$build" && ctest -R '^gui_tests$' --output-on-failure --timeout 600
)

echo "== packing $build/trackkml-win64.zip"
stage=$build/trackkml-win64
rm -rf "$stage" "$build/trackkml-win64.zip"
mkdir -p "$stage/platforms" "$stage/styles"
cp "$build/mainfrm/trackkml.exe" "$build/cli/trackkml-cli.exe" "$stage/"
cp -rL "$build/cli/zoneinfo" "$stage/"  # the zone files the tool's time options read
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
# Every DLL the programs and plugins name that is not the system's: Qt's and mingw's.
runtime_dirs=("$qt/bin"
  "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
  "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")
pending=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
  file=${pending[0]}
  pending=("${pending[@]:1}")
  for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/.*DLL Name: //p'); do
    [ -e "$stage/$dll" ] && continue
    for dir in "${runtime_dirs[@]}"; do
      if [ -e "$dir/$dll" ]; then
        cp "$dir/$dll" "$stage/"
        pending+=("$stage/$dll")
        break
      fi
    done
  done
done
x86_64-w64-mingw32-strip "$stage"/*.exe "$stage"/*.dll "$stage"/platforms/*.dll "$stage"/styles/*.dll
cat >"$stage/README.txt" <<'TEXT'
trackkml for Windows

trackkml.exe      the window: Open an export (.csv), Translate, Save the KML beside it.
trackkml-cli.exe  converts many exports at once:  trackkml-cli.exe C:\exports\*.csv
                  (trackkml-cli.exe --help lists the options).

Unpack the folder anywhere and start the programs from it; the DLLs beside them are the
Qt and compiler runtime they need. Nothing is installed and nothing is written elsewhere.
TEXT
(cd "$build" && zip -qr9 trackkml-win64.zip trackkml-win64)
du -h "$build/trackkml-win64.zip" | cut -f1 | sed 's/^/zip size: /'

echo "== the zip in a fresh prefix"
bash tests/windows_zip_test.sh "$build/trackkml-win64.zip" tests/data
