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
work=$(mktemp -d)
exec 3<> >(:)
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 10 number <&3 || { echo "run: the virtual display did not start" >&2; exit 1; }
cleanup() {
  kill -TERM "${marlinet_pid:-}" 2>/dev/null && wait "${marlinet_pid:-}" 2>/dev/null
  kill -TERM "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=":$number" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
mkdir -p "$XDG_CONFIG_HOME/tarnwick-engineering.Marlinet.direct" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cp examples/desktop/text-replacements.plist "$XDG_CONFIG_HOME/tarnwick-engineering.Marlinet.direct/"
"$marlinet" >"$work/marlinet.log" 2>&1 &
marlinet_pid=$!
sleep 1
typed=$'omw, see you soon. Omw! OMW brb\nsig arr '
echo "Typed on the keyboard of virtual display :$number, with Marlinet running:"
printf '%s\n' "$typed" | sed 's/^/  /'
echo "The text window received:"
build/release/examples/desktop/marlinet_typing_demo "$typed" 60 | sed 's/^/  /'
