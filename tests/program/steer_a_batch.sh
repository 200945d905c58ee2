#!/usr/bin/env bash
# Steering a batch in the running program as a user does, through the list's menu and the
# toolbar: going on after a Stop, converting failed rows again once mended, going on after
# a kill, and pausing (steer_a_batch.py). A stand-in bin/ffmpeg writes down each source it
# is given before it becomes the real encoder.
session_bus=1 source "$(dirname "$0")/common.sh"
for n in $(seq 1 10); do
  ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -t 3 -c:v libx264 -preset ultrafast \
    -pix_fmt yuv420p "$clips/clip $n.mp4"
done
ffmpeg -v error -f lavfi -i testsrc2=size=640x480:rate=25 -f lavfi -i sine=frequency=440 -t 60 \
  -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "$clips/long.mp4"
real=$(readlink "$work/program/bin/ffmpeg")
rm "$work/program/bin/ffmpeg"
cat >"$work/program/bin/ffmpeg" <<WRAP
#!/bin/sh
for argument in "\$@"; do [ "\$previous" = "-i" ] && echo "\$argument" >>"$work/runs.log"; previous=\$argument; done
exec "$real" "\$@"
WRAP
chmod +x "$work/program/bin/ffmpeg"
/usr/bin/python3 "$here/steer_a_batch.py" "$work/program" "$artefacts" "$work/runs.log" "$clips"
