#!/usr/bin/env bash
# Sets up, builds and runs Marlinet's main job. With no arguments it runs
# Marlinet on the X display in $DISPLAY; without a display it shows a
# demonstration on a private virtual display: a small text window, Marlinet,
# and a user typing, then prints what the window received. Arguments go to
# `marlinet` (see `scripts/run.sh --help`).
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
quietly cmake --build build/release -j "$(nproc)" --target marlinet marlinet_typing_demo
marlinet=build/release/src/shell/marlinet
if (($# > 0)); then exec "$marlinet" "$@"; fi
if [[ -n "${DISPLAY:-}" ]]; then exec "$marlinet"; fi

# The demonstration, on a display of its own with a list of its own.
source scripts/virtual_desktop.sh
cp examples/desktop/text-replacements.plist "$folder/"
start_marlinet "$marlinet"
typed=$'omw, see you soon. Omw! OMW brb\nsig arr '
echo "Typed on the keyboard of virtual display :$number, with Marlinet running:"
printf '%s\n' "$typed" | sed 's/^/  /'
echo "The text window received:"
build/release/examples/desktop/marlinet_typing_demo "$typed" 60 | sed 's/^/  /'
