#!/usr/bin/env bash
# The Add dialog without accessibility: seconds from a mouse click on Add until the dialog
# is mapped, round after round, the dialog cancelled and accepted by turns; with no window
# manager and no session bus, with a private session bus, and with a window manager
# (openbox, when installed) on that bus.
#   bench/add_dialog_time.sh build/program/ondrevo [rounds]   (6 by default)
if [ -z "${ONDREVO_SESSION_BUS:-}" ]; then
  export ONDREVO_SESSION_BUS=1
  exec dbus-run-session -- bash "$0" "$@"
fi
rounds=${2:-6}
source "$(dirname "$0")/../tests/program/common.sh"
# The first dialog opens in the program's folder, the later ones in the clips' folder.
for i in $(seq 1 1000); do : >"$work/program/clip $i.mp4"; done
mkdir -p "$clips"
ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -t 1 -c:v libx264 -preset ultrafast \
  -pix_fmt yuv420p "$work/good.mp4"
for i in $(seq 1 100); do ln "$work/good.mp4" "$clips/clip $i.mp4"; done
bench=$(cd "$(dirname "$0")" && pwd)
measure() { /usr/bin/python3 "$bench/add_dialog_time.py" "$work/program" "$clips" "$rounds"; }
echo "no window manager, no session bus:"
(unset DBUS_SESSION_BUS_ADDRESS; measure)
echo "no window manager, a private session bus:"
measure
if command -v openbox >/dev/null; then
  echo "openbox, a private session bus:"
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  sleep 1
  measure
  kill "$wm"
fi
