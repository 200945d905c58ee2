#!/usr/bin/env bash
# A person's session with the real program: two clips and a broken file added through the
# Add dialog, two selectors changed with the mouse, a batch converted and its 3GP files
# checked, the broken file's reason in its row's tool tip, the choices found again after a
# restart, a preview in the Mini Player, and an end that leaves no encoder or player
# behind. Driven through the accessibility bus and real clicks (convert_as_a_user.py);
# screenshots go to $ONDREVO_ARTEFACTS (default build/artefacts).
session_bus=1 source "$(dirname "$0")/common.sh"

# A long clip first, so that the batch is seen while it runs and the preview has time to
# move; a short one with a space in its name second; last a file the encoder cannot read.
ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=10 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 60 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a pcm_s16le -ac 2 "$clips/long.mov"
ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=660:sample_rate=44100 \
  -t 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2 "$clips/short clip.mp4"

printf 'this is not a video\n%.0s' $(seq 250) >"$clips/broken.mp4" # no format reads it

/usr/bin/python3 "$here/convert_as_a_user.py" "$work/program" "$artefacts" \
  "$clips/long.mov" "$clips/short clip.mp4" "$clips/broken.mp4"
