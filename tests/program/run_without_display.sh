#!/usr/bin/env bash
# scripts/run.sh without a display prints one line telling how to start and exits
# non-zero instead of hanging.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 600 "$top/scripts/run.sh" 2>&1 >/dev/null)
status=$?
[ $status -ne 0 ] && [ $status -ne 124 ] || { echo "status $status"; exit 1; }
last=$(printf '%s\n' "$out" | tail -n 1)
case "$last" in
  *xvfb-run*) echo "ok: $last" ;;
  *) echo "unexpected message: $out"; exit 1 ;;
esac
