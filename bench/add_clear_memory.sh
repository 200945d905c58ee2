#!/usr/bin/env bash
# Memory over cycles of adding a folder's files through the Add dialog and pressing Clear,
# with accessibility on, through the real window.
#   bench/add_clear_memory.sh build/program/ondrevo [files] [cycles] [reads]   (100, 7, 1 by default)
# reads: how many times a screen reader reads every cell of the full list in each cycle.
if [ -z "${ONDREVO_SESSION_BUS:-}" ]; then
  export ONDREVO_SESSION_BUS=1
  exec dbus-run-session -- bash "$0" "$@"
fi
files=${2:-100}
cycles=${3:-7}
source "$(dirname "$0")/../tests/program/common.sh"
mkdir -p "$clips"
ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 1 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "$work/good.mp4"
for i in $(seq -w 1 "$files"); do ln "$work/good.mp4" "$clips/clip $i.mp4"; done
/usr/bin/python3 "$(dirname "$0")/add_clear_memory.py" "$work/program" "$clips" "$cycles" "${4:-1}"
