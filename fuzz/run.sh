#!/usr/bin/env bash
# Builds the fuzz targets with clang, ASan and UBSan, and runs each for SECONDS (default 60).
# Seeds are written here, by the project's own export generator; findings go to
# build-fuzz/findings/<target>/, and a crash fails the run.
# Usage: fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_convert fuzz_textfun fuzz_pane)

build=build-fuzz
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fsanitize=fuzzer-no-link -g -O1"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS="$flags" -DTRACKKML_GUI=OFF -DTRACKKML_TESTS=OFF -DTRACKKML_BENCH=OFF \
  -DTRACKKML_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null

seeds=$build/seeds
mkdir -p "$seeds/fuzz_convert" "$seeds/fuzz_textfun" "$seeds/fuzz_pane"
bash fuzz/write_seeds.sh "$seeds"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  mkdir -p "$corpus" "$findings"
  echo "== $target for ${seconds}s"
  if ! "$build/fuzz/$target" "$corpus" "$seeds/$target" -max_total_time="$seconds" \
      -max_len=65536 -artifact_prefix="$findings/" -print_final_stats=1 \
      >"$build/$target.log" 2>&1; then
    echo "$target FOUND A CRASH: see $build/$target.log and $findings/"
    tail -n 40 "$build/$target.log"
    status=1
  fi
  grep -E '^#[0-9]+ +DONE|stat::number_of_executed_units|cov:' "$build/$target.log" | tail -n 2
done
exit $status
