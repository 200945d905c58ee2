#!/usr/bin/env bash
# Started in a program folder whose LibFFmpeg.Dat is missing, the program creates an empty
# one, names the missing table in the error report, and after OK shows its window with
# empty selectors (startup_without_database.py).
session_bus=1 source "$(dirname "$0")/common.sh"
rm "$work/program/LibFFmpeg.Dat"
/usr/bin/python3 "$here/startup_without_database.py" "$work/program"
