#!/usr/bin/env bash
# A 16:9 clip converted to 176x144 with "Fit with black bars" and "Keep the source's date",
# both chosen with the mouse in the real window: the 3GP file has square pixels, a picture
# 99 rows high between black bars, and its source's modification time
# (fit_and_keep_date.py).
session_bus=1 source "$(dirname "$0")/common.sh"

ffmpeg -v error -f lavfi -i color=c=0x80c0ff:size=1280x720:rate=25 -t 2 -c:v libx264 -preset ultrafast \
  -pix_fmt yuv420p "$clips/holiday.mp4"
touch -d "2019-07-04 10:20:30.123456789" "$clips/holiday.mp4"

/usr/bin/python3 "$here/fit_and_keep_date.py" "$work/program" "$artefacts" "$clips/holiday.mp4"
