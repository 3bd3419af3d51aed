#!/usr/bin/env bash
# Times real expansion on a private virtual display: delimiter key-down to
# the last character of a 40-character phrase in a window, a delimiter that
# expands nothing, and Marlinet's CPU time while idle.
# Usage: desktop_bench.sh MARLINET TYPING_WINDOW [RUNS]
set -euo pipefail
marlinet=$1
window=$2
runs=${3:-200}
work=$(mktemp -d)
exec 3<> >(:)
Xvfb -displayfd 3 -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 10 number <&3
cleanup() {
  kill -TERM "${pid:-}" 2>/dev/null && wait "${pid:-}" 2>/dev/null
  kill -TERM "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=":$number" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
folder="$XDG_CONFIG_HOME/tarnwick-engineering.Marlinet.direct"
mkdir -p "$folder" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
phrase='Best regards, Jo Smith (Example Co.) #42'
python3 - "$folder/text-replacements.plist" "$phrase" <<'PY'
import plistlib, sys
plistlib.dump([{"replace": "sig40", "with": sys.argv[2]}], open(sys.argv[1], "wb"))
PY
"$marlinet" >"$work/marlinet.log" 2>&1 &
pid=$!
sleep 1
"$window" --latency "$runs" sig40 "$phrase"
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
sleep 10
echo "idle CPU over 10 s: $(($(ticks) - before)) ticks of $(getconf CLK_TCK) per second"
