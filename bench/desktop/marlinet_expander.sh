#!/usr/bin/env bash
# Runs Marlinet as the expander of a side-by-side benchmark: the list the
# harness gives (JSON: trigger, replacement) becomes the user's own list in
# a private configuration folder.
# Usage: marlinet_expander.sh MARLINET_BINARY REPLACEMENTS_JSON
set -euo pipefail
binary=$1
list=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
folder="$home/config/tarnwick-engineering.Marlinet.direct"
mkdir -p "$folder" "$home/data"
python3 - "$list" "$folder/text-replacements.plist" <<'PY'
import json, plistlib, sys
rules = json.load(open(sys.argv[1]))
with open(sys.argv[2], "wb") as out:
    plistlib.dump([{"replace": r["trigger"], "with": r["replacement"]} for r in rules], out)
PY
export XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
"$binary" &
child=$!
trap 'kill -TERM $child 2>/dev/null; wait $child; rm -rf "$home"' EXIT TERM INT
wait $child
