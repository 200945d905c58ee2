#!/usr/bin/env bash
# The program starts in its folder, shows its main window, and the close box ends it
# with status 0 and nothing on its error output. Once the window is drawn, the program
# has loaded one font face and no image-format plugin: each more is start-up time and
# memory spent on nothing the window shows.
source "$(dirname "$0")/common.sh"
cd "$work/program"
./ondrevo 2>"$work/stderr" &
pid=$!
window=$(until_true 30 x11 find Ondrevo) || { echo "no window"; exit 1; }
until_true 30 drawn "$window" || { echo "the window was not drawn"; exit 1; }
kill -0 $pid
faces=$(grep -oE '/[^ ]+\.(ttf|otf|ttc|pfb|pcf(\.gz)?)$' /proc/$pid/maps | sort -u)
[ "$(printf '%s\n' "$faces" | grep -c .)" -eq 1 ] || { echo "font faces loaded at start:"; echo "$faces"; exit 1; }
if grep -q '/imageformats/' /proc/$pid/maps; then
  echo "image-format plugins loaded at start:"; grep '/imageformats/' /proc/$pid/maps; exit 1
fi
x11 close "$window"
wait_for_exit $pid 60 || { echo "still running after the close box"; exit 1; }
wait $pid && status=0 || status=$?
[ $status -eq 0 ] || { echo "exit status $status"; cat "$work/stderr"; exit 1; }
echo "window opened and closed"
