#!/usr/bin/env bash
# Makes the Debian package of both programs (the desktop entry, icons and man pages with them)
# in build/: installs what building and packing need, builds what the package holds, and runs
# cpack. Prints the package's path on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh package
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACKKML_TESTS=OFF -DTRACKKML_BENCH=OFF \
    >/dev/null
fi
cmake --build build -j"$(nproc)"
(cd build && cpack -G DEB >/dev/null)
ls -t build/trackkml_*.deb | head -n 1
