#!/usr/bin/env bash
# LibFFmpeg.Dat held by another program when Convert is pressed: the rows wait for it and
# convert once it is free; held for good, Quit and SIGTERM still end the program, and no
# temporary file is left. Driven through the accessibility bus (busy_settings_file.py).
session_bus=1 source "$(dirname "$0")/common.sh"

for name in one two; do
  ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
    -t 1 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "$clips/$name.mp4"
done

/usr/bin/python3 "$here/busy_settings_file.py" "$work/program" "$artefacts" "$clips/one.mp4" "$clips/two.mp4"
