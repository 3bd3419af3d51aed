#!/usr/bin/env bash
# Times real expansion on a private virtual display: delimiter key-down to
# the last character of a 40-character phrase in a window, a delimiter that
# expands nothing, a plain letter (the server's own floor), and Marlinet's CPU
# time while idle.
# Usage: desktop_bench.sh MARLINET TYPING_WINDOW [RUNS]
set -euo pipefail
marlinet=$1
window=$2
runs=${3:-200}
source "$(dirname "$0")/../../scripts/virtual_desktop.sh"
phrase='Best regards, Jo Smith (Example Co.) #42'
python3 - "$folder/text-replacements.plist" "$phrase" <<'PY'
import plistlib, sys
plistlib.dump([{"replace": "sig40", "with": sys.argv[2]}], open(sys.argv[1], "wb"))
PY
start_marlinet "$marlinet"
"$window" --latency "$runs" sig40 "$phrase"
ticks() { awk '{print $14 + $15}' "/proc/$marlinet_pid/stat"; }
before=$(ticks)
sleep 10
echo "idle CPU over 10 s: $(($(ticks) - before)) ticks of $(getconf CLK_TCK) per second"
