#!/usr/bin/env bash
# The file list's menu and Pause as assistive technology and the keyboard reach them in
# the running program: the menu opens once by the right button, the Menu key and
# Shift+F10 with its three items by name; Pause is there, greyed out, without a batch;
# several rows picked with Ctrl are deleted together (steer_from_the_list.py).
session_bus=1 source "$(dirname "$0")/common.sh"
for n in 1 2 3 4; do
  ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -t 1 -c:v libx264 -preset ultrafast \
    -pix_fmt yuv420p "$clips/clip $n.mp4"
done
/usr/bin/python3 "$here/steer_from_the_list.py" "$work/program" "$artefacts" "$clips/clip "{1,2,3,4}.mp4
