#!/usr/bin/env bash
# Runs the Release test suite several times in a row while one busy loop per core keeps
# the machine loaded, to show that no test depends on how fast the machine is.
# Usage: scripts/stress.sh [runs (10)] [build folder (build)] [ctest arguments...]
# Build first (scripts/test.sh release). Prints one line per run and exits 1 if any failed.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
dir=${2:-$top/build}
shift $(($# > 2 ? 2 : $#))

busy=()
stop_busy() { [ ${#busy[@]} -gt 0 ] && kill "${busy[@]}" 2>/dev/null; wait 2>/dev/null; }
trap stop_busy EXIT
for _ in $(seq "$(nproc)"); do
  (while :; do :; done) &
  busy+=($!)
done

failed=0
for run in $(seq "$runs"); do
  log="$dir/stress-$run.log"
  started=$SECONDS
  if ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure "$@" >"$log" 2>&1; then
    echo "run $run: $(grep -E 'tests passed' "$log" | tail -1) in $((SECONDS - started)) s"
  else
    failed=$((failed + 1))
    echo "run $run: FAILED in $((SECONDS - started)) s: $(grep -E '^\s+[0-9]+ - ' "$log" | tr -s ' ' | tr '\n' ';')"
  fi
done
echo "$((runs - failed)) of $runs runs passed under $(nproc) busy loops"
[ "$failed" -eq 0 ]
