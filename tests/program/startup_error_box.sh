#!/usr/bin/env bash
# A database that cannot be opened at start-up (the working directory is gone) shows
# the "Application Error" box; after OK the program exits with status 1.
source "$(dirname "$0")/common.sh"
mkdir "$work/gone"
cd "$work/gone"
rmdir "$work/gone"
"$program" 2>"$work/stderr" &
pid=$!
box=$(until_true 30 x11 find "Application Error")
xdotool key --window "$box" Return 2>/dev/null || true  # the release may find the box gone
wait_for_exit $pid 60 || { echo "still running after OK"; exit 1; }
wait $pid && status=0 || status=$?
[ $status -eq 1 ] || { echo "exit status $status, expected 1"; cat "$work/stderr"; exit 1; }
echo "start-up error reported, exit status 1"
