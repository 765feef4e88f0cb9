#!/usr/bin/env bash
# Builds both programs for Windows against Qt for Windows (built once into a cache by
# scripts/qt-win64.sh), checks their Windows resources, runs the window's tests under Wine,
# packs build-win64/trackkml-win64.zip and the installer build-win64/trackkml-VERSION-win64.msi,
# and tests each in a fresh Wine prefix.
# Usage: scripts/windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
qt=$(bash scripts/qt-win64.sh | tail -n 1)
gtest=$(bash scripts/gtest-win64.sh | tail -n 1)
xlsxwriter=$(bash scripts/xlsxwriter-win64.sh | tail -n 1)
build=build-win64
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTRACKKML_WIN64_PREFIXES="$gtest;$xlsxwriter;$qt" -DCMAKE_PREFIX_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DTRACKKML_BENCH=OFF >/dev/null
cmake --build "$build"

echo "== what Windows reads from the programs"
bash tests/windows_resources_test.sh "$build/mainfrm/trackkml.exe" "$build/cli/trackkml-cli.exe" \
  "$(sed -n 's/^project(trackkml VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"

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
version=$(sed -n 's/^project(trackkml VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# Texts for Windows users end their lines with CR LF.
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
sed "s/@VERSION@/$version/" windows/README.txt >"$build/README.txt"
crlf "$build/README.txt" "$stage/README.txt"
# The licences of what is shipped: Qt (and what it bundles) under the LGPL 3, the GCC runtime
# with its library exception, mingw-w64's winpthreads, the time-zone data, Hinnant's date,
# libxlsxwriter (BSD-2-Clause, with parts under the MPL 2.0 and zlib's licence).
mkdir -p "$stage/licenses"
crlf /usr/share/doc/qt6-base-dev/copyright "$stage/licenses/Qt.txt"
crlf /usr/share/common-licenses/LGPL-3 "$stage/licenses/LGPL-3.txt"
crlf /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
crlf /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright "$stage/licenses/GCC-runtime.txt"
crlf /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licenses/mingw-w64-winpthreads.txt"
crlf /usr/share/doc/tzdata/copyright "$stage/licenses/tzdata.txt"
crlf /usr/share/doc/libhowardhinnant-date-dev/copyright "$stage/licenses/date.txt"
crlf /usr/share/doc/libxlsxwriter-dev/copyright "$stage/licenses/libxlsxwriter.txt"
crlf /usr/share/common-licenses/MPL-2.0 "$stage/licenses/MPL-2.0.txt"
(cd "$build" && zip -qr9 trackkml-win64.zip trackkml-win64)
du -h "$build/trackkml-win64.zip" | cut -f1 | sed 's/^/zip size: /'

# An installer of the packed folder STAGE as VERSION: every file of the folder, and for each
# folder a component that removes it on uninstalling.
# Usage: make_msi STAGE VERSION MSI
make_msi() {
  (cd "$1" && find . -type f | sort |
    wixl-heat -p ./ --var var.SourceDir --directory-ref INSTALLDIR --component-group Files) |
    python3 scripts/msi-remove-folders.py >"$3.files.wxs"
  wixl -D Version="$2" -D SourceDir="$1" -D Icon="$build/trackkml.ico" \
    -o "$3" windows/trackkml.wxs "$3.files.wxs"
}

echo "== packing $build/trackkml-$version-win64.msi"
msi=$build/trackkml-$version-win64.msi
make_msi "$stage" "$version" "$msi"
du -h "$msi" | cut -f1 | sed 's/^/msi size: /'
# For the upgrade test: an installer of an older version, whose folder also holds a file the
# newer one no longer ships.
IFS=. read -r major minor patch <<<"$version"
if [ "$patch" -gt 0 ]; then
  older=$major.$minor.$((patch - 1))
elif [ "$minor" -gt 0 ]; then
  older=$major.$((minor - 1)).0
else
  older=$((major - 1)).0.0
fi
older_stage=$build/trackkml-older
rm -rf "$older_stage"
cp -r "$stage" "$older_stage"
sed "s/@VERSION@/$older/" windows/README.txt >"$build/README-older.txt"
crlf "$build/README-older.txt" "$older_stage/README.txt"
echo "only in $older" >"$older_stage/older-only.txt"
older_msi=$build/test-trackkml-$older-win64.msi
make_msi "$older_stage" "$older" "$older_msi"

echo "== the zip in a fresh prefix"
bash tests/windows_zip_test.sh "$build/trackkml-win64.zip" tests/data
echo "== the installer in a fresh prefix"
bash tests/windows_msi_test.sh "$msi" "$older_msi" tests/data
