#!/usr/bin/env bash
# ondrevo-convert at two files at once against xargs -P 2 replaying the same encoder
# argument lists, measured from outside, in alternating rounds; and ondrevo-convert's own
# CPU time (its threads', read from /proc until it ends) against its encoders'. A
# stand-in bin/ffmpeg notes each run's arguments and CPU time. Asserts nothing.
#   bench/convert_outside.sh build/program/ondrevo-convert [clips] [rounds]
# Defaults: 8 clips of 15 s at 1280x720, 5 rounds.
set -euo pipefail
built=$(cd "$(dirname "$1")" && pwd)
count=${2:-8}
rounds=${3:-5}
work=$(mktemp -d /tmp/ondrevo-convert-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program/bin" "$work/clips" "$work/out"
cp "$built/ondrevo-convert" "$work/program/"
cp "$built/../LibFFmpeg.Dat.built" "$work/program/LibFFmpeg.Dat"
real=$(readlink -f "$built/bin/ffmpeg")
ffmpeg -v error -f lavfi -i testsrc2=size=1280x720:rate=25:duration=15 \
  -f lavfi -i sine=frequency=440:sample_rate=44100:duration=15 \
  -c:v libx264 -preset veryfast -c:a aac "$work/clip.mp4"
for i in $(seq 1 "$count"); do ln "$work/clip.mp4" "$work/clips/clip $i.mp4"; done
cat >"$work/program/bin/ffmpeg" <<WRAP
#!/bin/bash
# The batch's look at the encoder's list, and a source's creation time, are no conversion.
case "\$*" in *-encoders*|*-hide_banner*) exec "$real" "\$@" ;; esac
[ -n "\${ONDREVO_ARGS_DIR:-}" ] && printf '%s\0' "\$@" >"\$ONDREVO_ARGS_DIR/args.\$\$"
"$real" "\$@"
status=\$?
times >>"$work/encoder-times"
exit \$status
WRAP
chmod +x "$work/program/bin/ffmpeg"
seconds() { awk -v m="${1%m*}" -v s="${1#*m}" 'BEGIN { sub("s", "", s); print m * 60 + s }'; }
# The CPU seconds the encoders took, from the second line `times` printed for each.
encoder_cpu() {
  awk 'NR % 2 == 0 { for (i = 1; i <= 2; i++) { split($i, t, "m"); sub("s", "", t[2]); sum += t[1] * 60 + t[2] } }
       END { printf "%.3f", sum }' "$work/encoder-times"
}
cd "$work/program"
ratios=() own=()
# The command line's run, its argument lists kept for the replay.
run_cli() {
  rm -f "$work/out"/* "$work/encoder-times" "$work/args"/*
  local start pid own_ticks=0 fields
  start=$(date +%s.%N)
  ONDREVO_ARGS_DIR=$work/args ./ondrevo-convert -o "$work/out" --set "Files converted at once=2" "$work/clips" \
    </dev/null 2>/dev/null &
  pid=$!
  # Its own threads' CPU time (not its children's), as the kernel counts it until its end.
  while read -ra fields 2>/dev/null <"/proc/$pid/stat" && [ "${fields[2]}" != Z ]; do
    own_ticks=$((fields[13] + fields[14]))
    sleep 0.1
  done
  wait "$pid"
  cli=$(echo "$(date +%s.%N) - $start" | bc)
  own_cpu=$(echo "scale=3; $own_ticks / $(getconf CLK_TCK)" | bc)
  enc_cpu=$(encoder_cpu)
}
# The same argument lists, each with its encoder's own temporary name, two at a time.
run_xargs() {
  rm -f "$work/out"/*
  local start
  start=$(date +%s.%N)
  ls "$work/args"/args.* | xargs -P 2 -I{} sh -c 'xargs -0 -a "$1" "$2"' _ {} "$real" >/dev/null 2>&1
  bare=$(echo "$(date +%s.%N) - $start" | bc)
}
mkdir -p "$work/args"
run_cli
for round in $(seq 1 "$rounds"); do
  # The order alternates, so that neither always runs on a warmer machine.
  if [ $((round % 2)) -eq 1 ]; then run_xargs; run_cli; else run_cli; run_xargs; fi
  ratio=$(echo "scale=4; $cli / $bare" | bc)
  share=$(echo "scale=3; 100 * $own_cpu / $enc_cpu" | bc)
  ratios+=("$ratio") own+=("$share")
  printf 'round %d: ondrevo-convert %.2f s, xargs -P 2 %.2f s, ratio %s; own CPU %s %% of the encoders'\''\n' \
    "$round" "$cli" "$bare" "$ratio" "$share"
done
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
echo "median ratio $(median "${ratios[@]}") (target at most 1.02); median own CPU $(median "${own[@]}") % (target under 1 %)"
