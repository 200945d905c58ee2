#!/usr/bin/env bash
# The tests' one reading of media files (support/Clip.h, the whole-program checks): a line
# per stream and one for the container, nothing for a file it cannot read. For example
#   stream|codec_name=aac|codec_type=audio|sample_rate=44100|channels=2|r_frame_rate=0/0
#   format|duration=2.000000|tag:major_brand=3gp4
exec ffprobe -v error -of compact -show_entries \
  stream=codec_type,codec_name,width,height,r_frame_rate,sample_rate,channels:format=duration:format_tags=major_brand "$1"
