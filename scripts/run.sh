#!/usr/bin/env bash
# Installs only what building and running the window needs, builds the two programs (no tests,
# no benchmarks) into build/, and starts the window; its arguments go to it (a FILE to open).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh window
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACKKML_TESTS=OFF -DTRACKKML_BENCH=OFF \
  >/dev/null
cmake --build build -j"$(nproc)" --target trackkml trackkml-cli
exec build/mainfrm/trackkml "$@"
