#!/usr/bin/env bash
# Builds GoogleTest for Windows from Debian's /usr/src/googletest into a cache folder, once.
# Usage: scripts/gtest-win64.sh   (prints the prefix on its last line)
set -euo pipefail
cd "$(dirname "$0")/.."
cache=${TRACKKML_CACHE:-/var/cache/trackkml}
prefix=$cache/gtest-win64
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -S /usr/src/googletest -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build "$work" >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log"; exit 1; }
cmake --install "$work" >/dev/null
touch "$prefix/.complete"
echo "$prefix"
