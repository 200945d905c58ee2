#!/usr/bin/env bash
# One run against two passes at a target size: for clips of several kinds, the size the
# encoder writes when aimed at a limit with the shipped choices (176x144, 15 fps, AAC at
# 64 kbit/s stereo) and each video codec, as a share of the limit. What the plan of
# "Largest file size" chooses its passes by.
#   bench/size_passes.sh
set -u
work=$(mktemp -d /tmp/ondrevo-passes-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
make_clip() { # name seconds source
  ffmpeg -v error -y -f lavfi -i "$3" -f lavfi -i sine=frequency=440:sample_rate=44100 -t "$2" \
    -c:v libx264 -preset ultrafast -qp 5 -pix_fmt yuv420p -c:a aac "$work/$1.mkv"
}
make_clip noisy12 12 testsrc2=size=320x240:rate=25,noise=alls=40:allf=t
make_clip moving20 20 testsrc2=size=320x240:rate=25
make_clip fractal30 30 mandelbrot=size=320x240:rate=25
make_clip still8 8 smptebars=size=320x240:rate=25
make_clip moving60 60 testsrc2=size=320x240:rate=25
uptime
printf '%-8s %-10s %8s %8s %9s %8s %9s\n' codec clip limit video/s "one run" "two" "two exit"
for codec in "h263" "mpeg4 -pix_fmt yuv420p" "libx264 -profile:v baseline -pix_fmt yuv420p"; do
  for c in noisy12:12:295 moving20:20:295 fractal30:30:295 still8:8:295 moving60:60:1126; do
    IFS=: read -r name seconds kb <<<"$c"
    limit=$((kb * 1024))
    # The limit less the sound and the container (1024 bytes and 8 a packet), all of it.
    video=$(((limit * 8 - 64000 * seconds - (1024 + 8 * 59 * seconds) * 8) / seconds))
    options="-c:v $codec -b:v $video -s 176x144 -r 15 -c:a aac -b:a 64k -ac 2 -ar 44100"
    # shellcheck disable=SC2086
    ffmpeg -v quiet -y -i "$work/$name.mkv" $options -f 3gp "$work/one.3gp"
    # shellcheck disable=SC2086
    ffmpeg -v quiet -y -i "$work/$name.mkv" $options -pass 1 -passlogfile "$work/log" -an -f 3gp /dev/null
    # shellcheck disable=SC2086
    ffmpeg -v quiet -y -i "$work/$name.mkv" $options -pass 2 -passlogfile "$work/log" -f 3gp "$work/two.3gp" 2>/dev/null
    status=$?
    one=$(stat -c %s "$work/one.3gp")
    two=$( ((status == 0)) && stat -c %s "$work/two.3gp" || echo 0)
    printf '%-8s %-10s %7sK %8s %8s%% %7s%% %9s\n' "${codec%% *}" "$name" "$kb" "$video" \
      $((one * 100 / limit)) $((two * 100 / limit)) $status
    rm -f "$work/one.3gp" "$work/two.3gp"
  done
done
