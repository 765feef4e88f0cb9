#!/usr/bin/env bash
# Builds the core, file, pane and tool code for Windows (no Qt) and runs their tests under
# Wine. Needs build/ from scripts/build.sh: the Windows tool is compared with the Linux one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
gtest=$(bash scripts/gtest-win64.sh | tail -n 1)
xlsxwriter=$(bash scripts/xlsxwriter-win64.sh | tail -n 1)
cmake -S . -B build-win64-core -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTRACKKML_WIN64_PREFIXES="$gtest;$xlsxwriter" \
  -DTRACKKML_GUI=OFF -DTRACKKML_BENCH=OFF -DTRACKKML_HOST_CLI="$PWD/build/cli/trackkml-cli" \
  >/dev/null
cmake --build build-win64-core
source scripts/wine-prefix.sh
wine_prefix_up
(cd build-win64-core && ctest --output-on-failure -j"$(nproc)" --timeout 600)
