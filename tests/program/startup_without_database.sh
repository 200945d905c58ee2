#!/usr/bin/env bash
# Started in a program folder whose LibFFmpeg.Dat is missing, the program creates an empty
# one, names the missing table in the error report, and after OK shows its window with
# empty selectors (startup_without_database.py).
if [ -z "${ONDREVO_SESSION_BUS:-}" ]; then
  export ONDREVO_SESSION_BUS=1
  exec dbus-run-session -- bash "$0" "$@"
fi
source "$(dirname "$0")/common.sh"
rm "$work/program/LibFFmpeg.Dat"
/usr/bin/python3 "$here/startup_without_database.py" "$work/program"
