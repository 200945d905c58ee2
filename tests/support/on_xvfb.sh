#!/usr/bin/env bash
# Runs a command on a fresh Xvfb display of its own and ends the server afterwards;
# exits with the command's status. The server picks a free display number itself
# (-displayfd), so checks running side by side never end up on one display, as they
# can when each picks the number before starting its server (xvfb-run -a).
set -uo pipefail
displayfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 300); do
  [ -s "$displayfile" ] && break
  kill -0 $xvfb 2>/dev/null || break
  sleep 0.1
done
number=$(head -1 "$displayfile")
rm -f "$displayfile"
if [ -z "$number" ]; then
  echo "Xvfb did not start" >&2
  kill $xvfb 2>/dev/null
  exit 1
fi
export DISPLAY=:$number
"$@"
status=$?
kill $xvfb 2>/dev/null
wait $xvfb 2>/dev/null
exit $status
