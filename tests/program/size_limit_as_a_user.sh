#!/usr/bin/env bash
# "Largest file size" as a person uses it: "295 KB (MMS)" picked on "Other Settings" with
# the mouse, clips of 12 s, 20 s and 30 s with moving pictures (one noisy), an 8 s still
# picture and a 10 min one converted with the shipped choices; then again with
# "Cut to fit" ticked. Nothing over the limit is ever left in the output folder
# (size_limit_as_a_user.py).
session_bus=1 source "$(dirname "$0")/common.sh"

make_clip() { # name seconds video-source
  ffmpeg -v error -f lavfi -i "$3" -f lavfi -i sine=frequency=440:sample_rate=44100 -t "$2" \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2 "$clips/$1.mp4"
}
make_clip moving12 12 testsrc2=size=320x240:rate=25
make_clip noisy20 20 testsrc2=size=320x240:rate=25,noise=alls=20:allf=t
make_clip still8 8 smptebars=size=320x240:rate=25
make_clip moving30 30 testsrc2=size=320x240:rate=25
make_clip long600 600 testsrc2=size=160x120:rate=10

/usr/bin/python3 "$here/size_limit_as_a_user.py" "$work/program" "$artefacts" "$clips"
