#!/usr/bin/env bash
# Sets up, builds and runs Marlinet's main job from a terminal.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DMARLINET_TESTS=OFF -DMARLINET_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target marlinet
exec build/release/src/app/marlinet "$@"
