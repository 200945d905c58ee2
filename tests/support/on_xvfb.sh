#!/usr/bin/env bash
# Runs a command on a fresh Xvfb display of its own and ends the server afterwards;
# exits with the command's status. The server picks a free display number itself and
# writes it once it takes clients (-displayfd), so checks running side by side never end
# up on one display, as they can when each picks the number before starting its server
# (xvfb-run -a).
set -uo pipefail
coproc xvfb { exec Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null; }
# Bash forgets xvfb_PID once the server has ended; the server's end must not fail the run.
server=$xvfb_PID
if ! read -r -t 60 number <&"${xvfb[0]}" || [ -z "$number" ]; then
  echo "Xvfb did not start" >&2
  kill "$server" 2>/dev/null
  exit 1
fi
export DISPLAY=:$number
"$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
