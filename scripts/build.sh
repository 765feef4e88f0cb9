#!/usr/bin/env bash
# Configures and builds trackkml into build/ (after installing what is missing).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACKKML_TESTS=ON -DTRACKKML_BENCH=ON \
  >/dev/null
cmake --build build -j"$(nproc)"
