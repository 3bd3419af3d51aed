#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: every unit test under
# AddressSanitizer + UndefinedBehaviorSanitizer with warnings as errors, then
# the fuzz targets briefly over their corpora.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc)

cmake -S . -B build/sanitize -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ \
  -DMARLINET_SANITIZE=ON -DMARLINET_WERROR=ON -DMARLINET_BENCH=OFF
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

if [[ -f fuzz/CMakeLists.txt ]]; then
  cmake -S . -B build/fuzz -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DMARLINET_FUZZ=ON -DMARLINET_TESTS=OFF -DMARLINET_BENCH=OFF -DMARLINET_DESKTOP=OFF -DMARLINET_WERROR=ON
  cmake --build build/fuzz -j "$jobs"
  ctest --test-dir build/fuzz --output-on-failure
fi
