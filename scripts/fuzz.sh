#!/usr/bin/env bash
# Builds the libFuzzer targets as the fuzz part of scripts/test.sh does
# (clang, RelWithDebInfo, sanitizers) and runs each in turn for longer than
# CI does: SECONDS each (default 600), over a scratch copy of its corpus and
# with its dictionary where it has one. Prints each target's execution count.
# Further arguments go to every libFuzzer run (e.g. -runs=10000000 to stop
# at a count instead). A crash stops the script; its reproducer is left
# beside the target's log in BUILD/fuzz/, to be added to the corpus as a
# regression seed.
#
#   scripts/fuzz.sh [SECONDS] [libFuzzer flags...]
#   MARLINET_FUZZ_BUILD=build/other scripts/fuzz.sh   # another build folder
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
(($# > 0)) && shift
build=${MARLINET_FUZZ_BUILD:-build/fuzz}

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DMARLINET_FUZZ=ON -DMARLINET_TESTS=OFF -DMARLINET_BENCH=OFF -DMARLINET_WERROR=ON >/dev/null
list="$build/fuzz/fuzzers.tsv"
mapfile -t targets < <(cut -f1 "$list" | xargs -n1 basename)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

summary=()
while IFS=$'\t' read -r executable scratch corpus flags; do
  name=$(basename "$executable")
  log="$build/fuzz/$name.log"
  mkdir -p "$scratch"
  echo "== $name: $seconds s"
  set +e
  # shellcheck disable=SC2086 # the flags are separate words
  "$executable" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/fuzz/$name-" $flags "$@" \
    "$scratch" "$corpus" </dev/null 2>&1 | tee "$log" | grep -E --line-buffered '^#[0-9]+.*(DONE|pulse)|ERROR|SUMMARY'
  status=${PIPESTATUS[0]}
  set -e
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  summary+=("$name: ${executions:-?} executions")
  if ((status != 0)); then
    echo "$name failed (exit $status); see $log" >&2
    exit "$status"
  fi
done <"$list"

printf '%s\n' "${summary[@]}"
