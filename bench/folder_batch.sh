#!/usr/bin/env bash
# A folder of short clips, a tenth of them broken in different ways, converted unattended
# with two files at once through the real window; then again, stopped halfway.
#   bench/folder_batch.sh build/program/ondrevo [clips]   (1,000 by default)
if [ -z "${ONDREVO_SESSION_BUS:-}" ]; then
  export ONDREVO_SESSION_BUS=1
  exec dbus-run-session -- bash "$0" "$@"
fi
count=${2:-1000}
source "$(dirname "$0")/../tests/program/common.sh"
clips=$work/clips
mkdir -p "$clips/sub"
ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 1 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -movflags +faststart "$work/good.mp4"
cp "$work/good.mp4" "$work/cut.mp4"
truncate -s $(( $(stat -c %s "$work/cut.mp4") * 3 / 10 )) "$work/cut.mp4"
for i in $(seq -w 1 "$count"); do
  folder=$clips
  [ $((10#$i % 3)) -eq 0 ] && folder=$clips/sub
  case $((10#$i % 50)) in
    7) head -c 20000 /dev/urandom >"$folder/clip $i.mp4" ;;        # random bytes
    17) : >"$folder/clip $i.mp4" ;;                                 # empty
    27) cp "$work/cut.mp4" "$folder/clip $i.mp4" ;;                 # cut short
    37) echo "not a video" >"$folder/clip $i.avi" ;;                # text
    47) head -c 100 "$work/good.mp4" >"$folder/clip $i.mkv" ;;      # a header only
    *) ln "$work/good.mp4" "$folder/clip $i.mp4" ;;
  esac
done
sqlite3 "$work/program/LibFFmpeg.Dat" \
  "create table if not exists convert_atonce (atonce_numb varchar(3) primary key, atonce_count integer);
   insert or replace into convert_atonce values ('001', 2);"
/usr/bin/python3 "$(dirname "$0")/folder_batch.py" "$work/program" "$clips"
