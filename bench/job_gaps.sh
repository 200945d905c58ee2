#!/usr/bin/env bash
# The batch's own cost per job through the real window with accessibility on: one file at
# a time, the gap between one encoder's end and the next one's start, against the same
# argument lists run back to back by a plain loop.
#   bench/job_gaps.sh build/program/ondrevo [clips]   (60 by default)
if [ -z "${ONDREVO_SESSION_BUS:-}" ]; then
  export ONDREVO_SESSION_BUS=1
  exec dbus-run-session -- bash "$0" "$@"
fi
count=${2:-60}
source "$(dirname "$0")/../tests/program/common.sh"
mkdir -p "$work/clips"
ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 1.5 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "$work/good.mp4"
for i in $(seq -w 1 "$count"); do ln "$work/good.mp4" "$work/clips/clip $i.mp4"; done
# The encoder as the program starts it, behind a stand-in that notes when it starts and
# ends and what it was given (one argument per line, NUL-free paths).
real=$(readlink "$work/program/bin/ffmpeg")
rm "$work/program/bin/ffmpeg"
# The batch's one look at the encoder's list (before its first job) is not a job.
cat >"$work/program/bin/ffmpeg" <<WRAP
#!/bin/sh
[ "\$*" = "-hide_banner -encoders" ] && exec "$real" "\$@"
echo "start \$(date +%s.%N)" >>"\${ONDREVO_GAPS_LOG:-$work/gaps.log}"
printf '%s\n' "\$@" >"$work/args.\$\$"
"$real" "\$@"
status=\$?
echo "end \$(date +%s.%N) \$\$" >>"\${ONDREVO_GAPS_LOG:-$work/gaps.log}"
exit \$status
WRAP
chmod +x "$work/program/bin/ffmpeg"
/usr/bin/python3 "$(dirname "$0")/job_gaps.py" "$work/program" "$work/clips" "$work"
