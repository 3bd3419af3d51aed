#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them. Figures go in the README.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMARLINET_TESTS=OFF -DMARLINET_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)"
for bench in build/bench/bench/marlinet_bench_*; do
  "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
done
# Real expansion on a private virtual display.
env -u DISPLAY bench/desktop/desktop_bench.sh build/bench/src/shell/marlinet \
  build/bench/examples/desktop/marlinet_typing_demo 200
