#!/usr/bin/env bash
# What the encoder's probe reads in a media file, one line per stream and one for the
# container, each a kind and key=value fields separated by "|":
#   stream|codec_name=mpeg4|codec_type=video|width=176|height=144|r_frame_rate=15/1
#   stream|codec_name=aac|codec_type=audio|sample_rate=44100|channels=2|r_frame_rate=0/0
#   format|duration=2.000000|tag:major_brand=3gp4
# Nothing for a file it cannot read. The tests' one reading of converted files: the C++
# tests (support/Clip.h) and the whole-program checks run it.
exec ffprobe -v error -of compact -show_entries \
  stream=codec_type,codec_name,width,height,r_frame_rate,sample_rate,channels:format=duration:format_tags=major_brand \
  "$1"
