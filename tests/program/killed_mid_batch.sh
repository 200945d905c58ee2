#!/usr/bin/env bash
# The program killed in the middle of a batch: its encoder ends with it and leaves no
# file under a final name; the next start brings the list back with each row's state.
# Ended by SIGTERM in a batch after that, the program lets the encoder finish its part,
# keeps it, and keeps the list too; asked twice, it ends at once. A normal Quit leaves an
# empty list for the start after. Driven through the accessibility bus (killed_mid_batch.py).
session_bus=1 source "$(dirname "$0")/common.sh"

# Short clips and a broken file first, then a long clip, so the encoder is busy with it
# when the program is killed.
ffmpeg -v error -f lavfi -i testsrc2=size=640x480:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 60 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "$clips/long clip.mp4"
for n in 1 2 3; do
  ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -t 1 -c:v libx264 -preset ultrafast \
    -pix_fmt yuv420p "$clips/short $n.mp4"
done

printf 'this is not a video\n%.0s' $(seq 250) >"$clips/broken.mp4" # no format reads it

/usr/bin/python3 "$here/killed_mid_batch.py" "$work/program" "$artefacts" "$clips/short 1.mp4" \
  "$clips/broken.mp4" "$clips/short 2.mp4" "$clips/short 3.mp4" "$clips/long clip.mp4"
