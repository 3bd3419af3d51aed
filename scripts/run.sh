#!/usr/bin/env bash
# Sets up, builds and runs Marlinet's main job from a terminal. With no
# arguments it simulates typing the example script over the example list;
# otherwise the arguments go to `marlinet` (see `scripts/run.sh --help`).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
# Quiet while things go well; a failing step shows everything it printed.
quietly() {
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
}
quietly cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DMARLINET_TESTS=OFF -DMARLINET_BENCH=OFF
quietly cmake --build build/release -j "$(nproc)" --target marlinet
if (($# == 0)); then
  exec build/release/src/app/marlinet simulate --replacements examples/text-substitutions.plist <examples/demo.jsonl
fi
exec build/release/src/app/marlinet "$@"
