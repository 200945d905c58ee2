#!/usr/bin/env bash
# The Add dialog with accessibility on: time to the screen and to the accessibility bus.
#   bench/add_dialog_access.sh build/program/ondrevo [rounds]
if [ -z "${ONDREVO_SESSION_BUS:-}" ]; then
  export ONDREVO_SESSION_BUS=1
  exec dbus-run-session -- bash "$0" "$@"
fi
rounds=${2:-3}
source "$(dirname "$0")/../tests/program/common.sh"
# A folder of many files for the dialog to list: the first dialog opens in the program's.
for i in $(seq 1 1000); do : >"$work/program/clip $i.mp4"; done
/usr/bin/python3 "$(dirname "$0")/add_dialog_access.py" "$work/program" "$rounds"
