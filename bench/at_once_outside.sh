#!/usr/bin/env bash
# Several files at once, measured from outside the process: the real window converts
# 15 s clips at 1280x720 two at a time, then xargs -P 2 replays the same encoder argument
# lists, in alternating rounds. A stand-in bin/ffmpeg notes each run's start, end, CPU
# time and arguments, and a preloaded library notes how long each write through to the
# disk takes; a third run per round has those writes skipped, to put a figure on them.
#   bench/at_once_outside.sh build/program/ondrevo [clips] [rounds] [accessibility on|off]
# Defaults: 8 clips, 5 rounds, accessibility on. Asserts nothing.
if [ -z "${ONDREVO_SESSION_BUS:-}" ]; then
  export ONDREVO_SESSION_BUS=1
  exec dbus-run-session -- bash "$0" "$@"
fi
count=${2:-8}
rounds=${3:-5}
export ONDREVO_BENCH_ACCESSIBILITY=${4:-on}
source "$(dirname "$0")/../tests/program/common.sh"
mkdir -p "$work/clips"
ffmpeg -v error -f lavfi -i testsrc2=size=1280x720:rate=25:duration=15 \
  -f lavfi -i sine=frequency=440:sample_rate=44100:duration=15 \
  -c:v libx264 -preset veryfast -c:a aac "$work/clip.mp4"
for i in $(seq 1 "$count"); do ln "$work/clip.mp4" "$work/clips/clip $i.mp4"; done
# Two files at once.
sqlite3 "$work/program/LibFFmpeg.Dat" "create table if not exists convert_atonce \
  (atonce_numb varchar(3) primary key, atonce_count integer); \
  insert or replace into convert_atonce values ('001', 2);"
real=$(readlink "$work/program/bin/ffmpeg")
rm "$work/program/bin/ffmpeg"
cat >"$work/program/bin/ffmpeg" <<WRAP
#!/bin/sh
# The batch's look at the encoder's list is no conversion.
[ "\$2" = -encoders ] && exec "$real" "\$@"
log=\${ONDREVO_OUTSIDE_LOG:-$work/ondrevo.log}
echo "start \$(date +%s.%N) \$\$" >>"\$log"
[ -n "\${ONDREVO_OUTSIDE_LOG:-}" ] || printf '%s\n' "\$@" >"$work/args.\$\$"
"$real" "\$@"
status=\$?
ended=\$(date +%s.%N)
times >"$work/times.\$\$"
echo "end \$ended \$\$ \$(tail -1 "$work/times.\$\$")" >>"\$log"
exit \$status
WRAP
chmod +x "$work/program/bin/ffmpeg"
# Notes (and on request skips) the program's writes through to the disk.
cc -shared -fPIC -O2 -o "$work/sync_shim.so" "$(dirname "$0")/sync_shim.c" -ldl
/usr/bin/python3 "$(dirname "$0")/at_once_outside.py" "$work/program" "$work/clips" "$work" "$rounds"
