#!/usr/bin/env bash
# A second start of the program from its folder hands its files to the running window, as
# a drop would, and ends with status 0: during a batch too, from another working folder
# with a relative path and a name that is not UTF-8; the batch converts them after its own
# rows. Started bare, it brings the minimised window back to the front. After a kill -9 a
# new start is the first copy again; of two started at once one keeps running with both
# files. A copy from another program folder is independent. Under a window manager
# (openbox), driven through the accessibility bus (second_start.py).
session_bus=1 source "$(dirname "$0")/common.sh"
helpers=()
trap 'kill "${helpers[@]}" 2>/dev/null; rm -rf "$work"' EXIT

# Openbox runs its start-up command once it manages windows.
openbox --sm-disable --startup "touch $work/openbox.ready" >"$work/openbox.log" 2>&1 &
helpers+=($!)
until_true 30 test -e "$work/openbox.ready" || { echo "openbox did not start"; cat "$work/openbox.log"; exit 1; }

# A long clip, so that the batch still runs when the second start comes; short ones to hand over.
ffmpeg -v error -f lavfi -i testsrc2=size=640x480:rate=25 -t 60 -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
  "$clips/long clip.mp4"
ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -t 1 -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
  "$clips/short.mp4"
for name in "new clip" "$(printf 'caf\xe9')" race-a race-b other; do
  cp "$clips/short.mp4" "$clips/$name.mp4"
done
# A second program folder: the same program, another copy of it.
cp -a "$work/program" "$work/other"

/usr/bin/python3 "$here/second_start.py" "$work/program" "$work/other" "$artefacts" "$clips"
